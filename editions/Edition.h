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

struct Size {
    int width;
    int height;
};

// Where the strip's thumbnails live.
enum class ThumbnailStore {
    Cache,      // ImageCache: rebuilt only for changed files; clips too; the rescan sets Delete
    ImageList,  // pictures only, all decoded at each rescan, which leaves Delete as it was
};

enum class ThumbnailStyle {
    Fitted,     // aspect kept, grey bars, the clip marker
    Stretched,  // the whole picture stretched into 80 x 60
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
    bool settingsCameraRows;  // [SupportedCameras] rows of the settings follow `cameras`
    bool messageCheck;        // "/msg" shows every text
    bool recording;           // clips with sound, the video folder and the record button
    bool cameraProbe;         // probe the camera table at construction, format handed first
    bool adaptiveLayout;      // window, strip and popup place follow camera aspect and screen;
                              // false: the fixed design
    bool showOnPreviewStart;  // a preview that starts shows the window itself
    bool graphRegistration;   // every built graph is published for outside graph viewers
    int stripWidth;           // the strip background bitmap
    Size enlargedViewSize;    // the capture size a double click enlarges; {0, 0}: none
    bool freeSpaceCheck;      // a snapshot first asks for free space on the picture volume
    bool exifOnOverwrite;     // a picture written over another keeps Artist and date
    ThumbnailStore thumbnailStore;
    ThumbnailStyle thumbnailStyle;   // of a snapshot's thumbnail; the rescan's follows the store
    int popupSizes;                  // items in the size popup's picture; a 4:3 camera gets two
    int popupBandRight;              // right edge of the popup's highlight band
    bool hdCaption;                  // button 3 calls 1280 x 800 "HD 720P"
    const char* brandName;           // the brand logo's word; nullptr: no logo
    bool brandedCapture;             // mixing/default renderer, stills from a preview-branch filter
    const char* desktopFileName;     // the desktop entry and icon; the Wayland app id
    bool clickOpensInPictureFolder;  // a thumbnail click opens its file with the picture folder
                                     // as working folder (Enter always does)
    const char* foreignCameraNote;   // what a start without a usable camera tells a user whose
                                     // cameras are outside the fixed table; nullptr where
                                     // settings rows can add them
};

// Choices that only work together; each edition checks its values at compile time.
constexpr bool consistent(const Edition& e) {
    const bool cacheStore = e.thumbnailStore == ThumbnailStore::Cache;
    // Clips are listed only by the cache's rescan; a cache file needs the cache.
    const bool store = (!e.recording || cacheStore) && (e.cacheFileName == nullptr || cacheStore);
    // A snapshot's thumbnail looks like the ones the rescan makes for the same store.
    const bool style = cacheStore == (e.thumbnailStyle == ThumbnailStyle::Fitted);
    // The layout is computed from the probed camera; only that layout has a record button.
    const bool layout = (!e.adaptiveLayout || e.cameraProbe) && (!e.recording || e.adaptiveLayout);
    // Only the third size, 1280 x 800, is ever enlarged or called "HD 720P".
    const bool sizes = (e.popupSizes == 2 || e.popupSizes == 3) &&
                       (!e.hdCaption || e.popupSizes == 3) &&
                       ((e.enlargedViewSize.width == 0 && e.enlargedViewSize.height == 0) ||
                        (e.popupSizes == 3 && e.enlargedViewSize.width == 1280 &&
                         e.enlargedViewSize.height == 800));
    // A table that takes settings rows shows the user the row; a fixed one says whose it is.
    const bool foreign = e.settingsCameraRows == (e.foreignCameraNote == nullptr);
    return store && style && layout && sizes && foreign;
}

const Edition& edition();

}  // namespace editions
