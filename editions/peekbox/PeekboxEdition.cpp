// The main edition: preview, snapshots and clips.
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
    {"_MSG_URL", "https://www.tarnwick.example/"},
    {"_MSG_FILEEXIST", "%s already exists, do you want to replace it?"},
    {"_MSG_FILELIMIT", "File size is limitted."},
    {"_MSG_DISKFULL", "Disk space is full."},
};

constexpr MessageTextDef kExtraTexts[] = {
    {"_MSG_FOLDER_UNUSABLE", "The folder %s cannot be used."},
};

// Searched in row order; the wide cameras come last.
constexpr SupportedCamera kCameras[] = {
    {"3a7b", "0a01", 0, platform::kFourCC_YUY2, 0}, {"3a7b", "0a02", 0, platform::kFourCC_YUY2, 0},
    {"3a7b", "0a03", 0, platform::kFourCC_YUY2, 0}, {"3a7b", "0b01", 0, platform::kFourCC_YUY2, 1},
    {"3a7b", "0b02", 0, platform::kFourCC_YUY2, 1}, {"3a7b", "0c01", 1, platform::kFourCC_MJPG, 1},
    {"3a7b", "0c02", 1, platform::kFourCC_MJPG, 1},
};

constexpr Edition kEdition{
    .applicationTitle = "Peekbox",
    .mutexName = "Peekbox",
    .settingsKey = "Software\\Tarnwick\\Peekbox",
    .cacheFileName = "Peekbox.icf",
    .exifArtist = "Peekbox",
    .messageTexts = kTexts,
    .extraTexts = kExtraTexts,
    .cameras = kCameras,
    .settingsCameraRows = true,
    .messageCheck = true,
    .recording = true,
    .cameraProbe = true,
    .adaptiveLayout = true,
    .showOnPreviewStart = false,
    .graphRegistration = true,
    .stripWidth = 768,
    .enlargedViewSize = {1280, 800},
    .freeSpaceCheck = true,
    .exifOnOverwrite = true,
    .thumbnailStore = ThumbnailStore::Cache,
    .thumbnailStyle = ThumbnailStyle::Fitted,
    .popupSizes = 3,
    .popupBandRight = 68,
    .hdCaption = true,
    .brandName = nullptr,
    .brandedCapture = false,
    .desktopFileName = "peekbox",
    .clickOpensInPictureFolder = false,
    .foreignCameraNote = nullptr,
};
static_assert(consistent(kEdition));

}  // namespace

const Edition& edition() {
    return kEdition;
}

}  // namespace editions
