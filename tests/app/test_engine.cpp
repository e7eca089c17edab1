// A stand-in skin engine that records what it was handed, so tests can check the exact block the program passes
// through the external function table. It copies the bytes while it is called, as a real engine must.
#include <cstring>
#include <vector>

#define ENGINE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
int g_calls = 0;
bool g_null = false;
int g_length = -1;
std::vector<unsigned char> g_bytes;
bool g_textEmpty = false;
int g_reservedSum = -1;
} // namespace

ENGINE_EXPORT int vorlith_skin_attach(const unsigned char* data, int length, const char* text, int a, int b, int c)
{
    ++g_calls;
    g_null = data == nullptr;
    g_length = length;
    g_bytes.assign(data, data == nullptr || length <= 0 ? data : data + length);
    g_textEmpty = text != nullptr && text[0] == '\0';
    g_reservedSum = a + b + c;
    return 77;
}

// Number of calls so far; the last call's null flag, length, text-was-"" flag and sum of the three integers.
ENGINE_EXPORT int test_engine_calls(bool* null, int* length, bool* textEmpty, int* reservedSum)
{
    *null = g_null;
    *length = g_length;
    *textEmpty = g_textEmpty;
    *reservedSum = g_reservedSum;
    return g_calls;
}

// Copies up to `capacity` bytes of the last block into `out`; returns how many there were.
ENGINE_EXPORT int test_engine_bytes(unsigned char* out, int capacity)
{
    const int n = static_cast<int>(g_bytes.size());
    std::memcpy(out, g_bytes.data(), static_cast<size_t>(n < capacity ? n : capacity));
    return n;
}
