// What distinguishes one edition from the other: names, texts, tables and feature switches.
// Each edition folder defines edition(); only that edition's values are linked into its binary.
#pragma once

#include <cstdint>
#include <span>

namespace editions {

struct MessageTextDef {
    const char* valueName;    // the settings value that localises it, e.g. "_MSG_TITLE"
    const char* defaultText;  // built-in English text
};

// Positions in the message table (1-based as the texts are numbered).
enum MessageId : int {
    MSG_TITLE = 1,
    MSG_CAMERA_BUSY = 2,
    MSG_OPEN_SETTING_ERROR = 3,
    MSG_DELETE_MESSAGE = 4,
    MSG_DELETE_ERROR = 5,
    MSG_PREVIEW = 6,
    MSG_NOPREVIEW = 7,
    MSG_LOCEDPREVIEW = 8,
    MSG_URL = 9,
    MSG_FILEEXIST = 10,
    MSG_FILELIMIT = 11,  // main edition only
    MSG_DISKFULL = 12,   // main edition only
    // Texts beyond the numbered table start here: localised the same way, but not part of the
    // table's numbering nor of the "/msg" check.
    MSG_FIRST_EXTRA = 101,
    MSG_FOLDER_UNUSABLE = MSG_FIRST_EXTRA,  // "%s" receives the folder
};

struct SupportedCamera {
    const char* vid;  // four lower-case hex digits
    const char* pid;
    int32_t aspect;         // 0 = 4:3, 1 = wide (16:10)
    uint32_t subtype;       // FOURCC to capture
    uint8_t recordCapable;  // 0 or 1
};

struct Edition {
    const char* applicationTitle;  // the design caption of the main window and the app title
    const char* mutexName;         // single-instance name
    const char* settingsKey;       // "Software\Vendor\Product"
    const char* cacheFileName;     // appended to the temporary directory; nullptr = no cache file
    const char* exifArtist;
    std::span<const MessageTextDef> messageTexts;  // 12 in the main edition, 10 in the branded one
    std::span<const MessageTextDef> extraTexts;    // from MSG_FIRST_EXTRA on, the same in both
    std::span<const SupportedCamera> cameras;
    bool settingsCameraRows;         // [SupportedCameras] rows of the settings follow `cameras`
    bool messageCheck;               // "/msg" shows every text
    bool recording;                  // clips, the video folder and the record button
    bool cameraProbe;                // probe the camera table at construction
    const char* brandName;           // the brand logo's word; nullptr: no logo
    bool brandedCapture;             // mixing/default renderer, stills from a preview-branch filter
    const char* desktopFileName;     // the desktop entry and icon; the Wayland app id
    bool clickOpensInPictureFolder;  // a thumbnail click opens its file with the picture folder
                                     // as working folder (Enter always does)
};

const Edition& edition();

}  // namespace editions
