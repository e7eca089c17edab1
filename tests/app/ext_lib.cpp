// A tiny library for the external function table's tests. It is built twice with different variant numbers so
// a test can tell which copy the table bound.
#define EXT_EXPORT extern "C" __attribute__((visibility("default")))

EXT_EXPORT int vorlith_ext_variant()
{
    return EXT_VARIANT;
}
