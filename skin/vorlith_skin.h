#pragma once

/**
 * @file vorlith_skin.h
 * @brief Public interface of the Vorlith skin engine, a shared library that dresses a running Qt Widgets
 *        application in a skin given as bytes.
 *
 * A skin is a small binary file (see @ref skin_format "skin file format"). The program hands the engine the
 * bytes of one skin; the engine checks them, turns the palette and metrics they hold into an application-wide
 * palette and style sheet, and installs both on the running QApplication, so every window and control is drawn
 * in the skin, windows made later included. The engine copies what it needs while it runs and keeps no reference
 * to the caller's bytes after it returns.
 *
 * @anchor skin_format
 * <b>Skin file format, version 1</b> (all integers little-endian):
 * | offset | size | content |
 * |---|---|---|
 * | 0 | 4 | magic "VSKN" |
 * | 4 | 2 | format version, 1 |
 * | 6 | 2 | number of records |
 * | 8 | 4 | payload length in bytes, exactly the bytes that follow the header |
 * | 12 | 4 | CRC-32 (IEEE 802.3, as zlib computes it) of the payload |
 * | 16 | ... | payload: records of tag (1 byte), length (1 byte), value (length bytes) |
 *
 * Records: tag 1 is the skin's name in UTF-8; tag 2 a colour (role byte, then red, green, blue); tag 3 a metric
 * (metric byte, then a 16-bit value). Every colour role from 0 to 10 must be present; records with other tags are
 * skipped, so later versions may add them.
 */

#if defined(_WIN32)
#if defined(VORLITH_SKIN_BUILDING)
#define VORLITH_SKIN_API __declspec(dllexport)
#else
#define VORLITH_SKIN_API __declspec(dllimport)
#endif
#else
#define VORLITH_SKIN_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** @brief Results of the engine's functions. Only ::VORLITH_SKIN_OK means the skin was taken. */
enum VorlithSkinResult {
    VORLITH_SKIN_OK = 0,              /**< the skin is valid (and, for vorlith_skin_attach(), applied) */
    VORLITH_SKIN_NO_DATA = -1,        /**< null bytes or a length of 0 or less */
    VORLITH_SKIN_BAD_HEADER = -2,     /**< too short for the header, or the magic is not "VSKN" */
    VORLITH_SKIN_BAD_VERSION = -3,    /**< a format version this engine does not read */
    VORLITH_SKIN_BAD_LENGTH = -4,     /**< the payload length does not match the bytes given */
    VORLITH_SKIN_BAD_CHECKSUM = -5,   /**< the payload's CRC-32 does not match */
    VORLITH_SKIN_BAD_RECORD = -6,     /**< a record runs past the end, has a wrong size or an unknown role */
    VORLITH_SKIN_MISSING_COLOUR = -7, /**< a required colour role is missing */
    VORLITH_SKIN_NO_APPLICATION = -8  /**< no QApplication is running to dress */
};

/**
 * @brief Checks a skin without applying it.
 * @param data   first byte of the skin; may be null
 * @param length number of bytes at @p data
 * @return ::VORLITH_SKIN_OK for a skin the engine would apply, otherwise the first fault found.
 */
VORLITH_SKIN_API int vorlith_skin_validate(const unsigned char* data, int length);

/**
 * @brief Dresses the running application in a skin.
 *
 * Installs an application palette and style sheet made from the skin on the running QApplication, on top of the
 * Fusion style, so that all existing and later windows and controls follow it. Must be called on the GUI thread.
 * A skin that fails vorlith_skin_validate() is rejected and the application's look stays as it was.
 *
 * @param data      first byte of the skin; the engine reads it only during the call
 * @param length    number of bytes at @p data
 * @param text      reserved; pass "" or null
 * @param reserved1 reserved; pass 0
 * @param reserved2 reserved; pass 0
 * @param reserved3 reserved; pass 0
 * @return ::VORLITH_SKIN_OK when applied, otherwise a negative ::VorlithSkinResult.
 */
VORLITH_SKIN_API int vorlith_skin_attach(
    const unsigned char* data, int length, const char* text, int reserved1, int reserved2, int reserved3);

#ifdef __cplusplus
}
#endif
