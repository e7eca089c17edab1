#pragma once

#include <cstdint>

// Every control is addressed by (window id, control id). The program has one window, so handlers name
// controls by their control id alone; the window id is kept for the property-access calls that take both.
namespace core {

using ControlId = std::uint32_t;

inline constexpr ControlId kMainWindow = 0x52010001;

namespace ids {
// Page control and pages' group boxes.
inline constexpr ControlId PageControl = 0x160119C1;
inline constexpr ControlId EffectArea = 0x16011B1E;
inline constexpr ControlId BadgeKindsGroup = 0x16011AB8;
inline constexpr ControlId BadgeMovingGroup = 0x16011AC5;
inline constexpr ControlId SinglePictureGroup = 0x16011B2C;
inline constexpr ControlId BatchGroup = 0x16011B2F;
inline constexpr ControlId AboutGroup = 0x16011B55;
inline constexpr ControlId LookupGroup = 0x16011B43;
inline constexpr ControlId QqShowGroup = 0x16011B3E;

// Composition.
inline constexpr ControlId CompositionFrame = 0x16011B1F;
inline constexpr ControlId CompositionPicture = 0x16011B2B;
inline constexpr ControlId BadgeSelector = 0x16011AC6;
inline constexpr ControlId NudgeUp = 0x16011AC7;
inline constexpr ControlId NudgeDown = 0x16011AC9;
inline constexpr ControlId NudgeLeft = 0x16011ACA;
inline constexpr ControlId NudgeRight = 0x16011ACB;
inline constexpr ControlId RestoreButton = 0x16011B49;

// Single picture.
inline constexpr ControlId UploadButton = 0x16011B2D;
inline constexpr ControlId SavePictureButton = 0x16011B2E;
inline constexpr ControlId FileDialog = 0x16010093;

// QQ Show page.
inline constexpr ControlId ViewerFrame = 0x16011B3F;
inline constexpr ControlId InnerViewerFrame = 0x16011B41;
inline constexpr ControlId QqShowViewer = 0x16011B40;
inline constexpr ControlId QqNumberBox = 0x16011B45;
inline constexpr ControlId QueryButton = 0x16011B46;
inline constexpr ControlId SaveQqShowButton = 0x16011B47;

// Batch.
inline constexpr ControlId MaterialFolderBox = 0x16011B60;
inline constexpr ControlId MaterialFormatBox = 0x16011B5E;
inline constexpr ControlId BrowseButton = 0x16011B31;
inline constexpr ControlId OutputFolderBox = 0x16011B32;
inline constexpr ControlId SaveToButton = 0x16011B33;
inline constexpr ControlId ListFilesButton = 0x16011A33;
inline constexpr ControlId SpareFormatBox = 0x16011A6F;
inline constexpr ControlId BatchTimer = 0x16011A75;
inline constexpr ControlId PreviewButton = 0x16011A74;
inline constexpr ControlId ReadLineButton = 0x16011A73;
inline constexpr ControlId LineNumberBox = 0x16011A72;
inline constexpr ControlId CurrentFileBox = 0x16011A71;
inline constexpr ControlId FileList = 0x16011A70;
} // namespace ids

} // namespace core
