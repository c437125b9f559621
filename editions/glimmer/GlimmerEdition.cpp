// The branded edition: preview and snapshots only.
#include "editions/Edition.h"

#include "platform/VideoInfoHeader.h"

namespace editions {
namespace {

constexpr MessageTextDef kTexts[] = {
    {"_MSG_TITLE", "Norvale Glimmer webcam"},
    {"_MSG_CAMERA_BUSY", "The camera is busy."},
    {"_MSG_OPEN_SETTING_ERROR", "Open setting error."},
    {"_MSG_DELETE_MESSAGE", "Are you sure you want delete this file?"},
    {"_MSG_DELETE_ERROR", "Can't delete File."},
    {"_MSG_PREVIEW", "Preview"},
    {"_MSG_NOPREVIEW", "No Preview"},
    {"_MSG_LOCEDPREVIEW", "Locked by another application"},
    {"_MSG_URL", "https://www.norvale.example/glimmer"},
    {"_MSG_FILEEXIST", "%s already exists, do you want to replace it?"},
};

constexpr MessageTextDef kExtraTexts[] = {
    {"_MSG_FOLDER_UNUSABLE", "The folder %s cannot be used."},
};

// Vendor and product ids only; the branded cameras are all 4:3 and never record.
constexpr SupportedCamera kCameras[] = {
    {"3a7b", "0d01", 0, platform::kFourCC_None, 0},
    {"3a7b", "0d02", 0, platform::kFourCC_None, 0},
    {"3a7b", "0d03", 0, platform::kFourCC_None, 0},
    {"3a7b", "0d04", 0, platform::kFourCC_None, 0},
};

constexpr Edition kEdition{
    .applicationTitle = "Norvale Glimmer webcam",
    .mutexName = "Norvale_Glimmer",
    .settingsKey = "Software\\Tarnwick\\Glimmer",
    .cacheFileName = nullptr,
    .exifArtist = "Norvale Glimmer",
    .messageTexts = kTexts,
    .extraTexts = kExtraTexts,
    .cameras = kCameras,
    .settingsCameraRows = false,
    .messageCheck = false,
    .recording = false,
    .cameraProbe = false,
    .adaptiveLayout = false,
    .showOnPreviewStart = true,
    .graphRegistration = false,
    .stripWidth = 642,
    .enlargedViewSize = {0, 0},
    .freeSpaceCheck = false,
    .exifOnOverwrite = false,
    .thumbnailStore = ThumbnailStore::ImageList,
    .thumbnailStyle = ThumbnailStyle::Stretched,
    .popupSizes = 2,
    .popupBandRight = 66,
    .hdCaption = false,
    .brandName = "Norvale",
    .brandedCapture = true,
    .desktopFileName = "glimmer",
    .clickOpensInPictureFolder = true,
    .foreignCameraNote = "Norvale Glimmer webcam works only with its own Norvale cameras.",
};
static_assert(consistent(kEdition));

}  // namespace

const Edition& edition() {
    return kEdition;
}

}  // namespace editions
