#pragma once

// Skin application: deploy the engine, hand it a fresh copy of one carried skin through entry 0 of the external
// function table, release the copy.
#include <QByteArray>

namespace app {

class ExternalTable;

// The engine's entry point: skin bytes, their length, a text, three integers; returns a result the program
// ignores.
using SkinAttachFunction = int (*)(const unsigned char* data, int length, const char* text, int, int, int);

// Number of skins the program carries (1 to kSkinCount) and the one applied at start-up.
inline constexpr int kSkinCount = 33;
inline constexpr int kStartupSkin = 13;

// The bytes of carried skin `number`; empty for a number outside 1 to kSkinCount.
QByteArray carriedSkin(int number);

// Calls the engine through entry kSkinAttachEntry of `table` with a fresh copy of skin `number` (a null address
// and length 0 when the number is outside 1 to kSkinCount), releases the copy and returns the engine's result.
int attachSkin(int number, ExternalTable& table);

// Start-up's skin step: deploys the engine into the program folder and attaches skin `number` through the
// program's external function table. A missing or unusable engine ends in the fatal report.
void applySkin(int number);

} // namespace app
