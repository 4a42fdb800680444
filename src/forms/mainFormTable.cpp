// The main window as drawn.
#include "forms/formTable.h"

#include <array>

namespace ovcache::forms {
namespace {

constexpr std::array kMainControls{
    Control{"frmCacheDir", Kind::Frame, "", N_("Cache Directory Information"), 120, 120, 4215, 1095, 5},
    Control{"lblCacheSize", Kind::Label, "frmCacheDir", N_("Cache Size:"), 120, 720, 1215, 255, 11},
    Control{"lblCacheSizeData", Kind::Label, "frmCacheDir", kPlaceholder, 1560, 720, 2535, 255, 10},
    Control{"lblFileCount", Kind::Label, "frmCacheDir", N_("Number of Files:"), 120, 480, 1215, 255, 9},
    Control{"lblFileCountData", Kind::Label, "frmCacheDir", kPlaceholder, 1560, 480, 2535, 255, 8},
    Control{"lblPathData", Kind::Label, "frmCacheDir", kPlaceholder, 1560, 240, 2535, 255, 7},
    Control{"lblPath", Kind::Label, "frmCacheDir", N_("Cache Directory:"), 120, 240, 1215, 255, 6},
    Control{"frmMaps", Kind::Frame, "", N_("Cached Maps"), 120, 1320, 4215, 2535, 3},
    Control{"lstCache", Kind::ListBox, "frmMaps", "", 120, 240, 3975, 2205, 4},
    Control{"cmdMoveAll", Kind::Button, "", N_("Move All"), 1560, 3960, 1215, 375, 2},
    Control{"cmdClear", Kind::Button, "", N_("Clear Cache"), 3000, 3960, 1335, 375, 1},
    Control{"cmdMove", Kind::Button, "", N_("Move"), 120, 3960, 1215, 375, 0},
};

constexpr std::array kMainMenus{
    MenuItem{"mnuFile", N_("&File"), ""},
    MenuItem{"mnuExit", N_("E&xit"), "mnuFile"},
    MenuItem{"mnuEdit", N_("&Edit"), ""},
    MenuItem{"mnuMove", N_("&Move"), "mnuEdit"},
    MenuItem{"mnuMoveAll", N_("Move &All"), "mnuEdit"},
    MenuItem{"mnuSeparator", "-", "mnuEdit"},
    MenuItem{"mnuClearCache", N_("&Clear Cache"), "mnuEdit"},
    MenuItem{"mnuHelp", N_("&Help"), ""},
    MenuItem{"mnuAbout", N_("&About"), "mnuHelp"},
};

} // namespace

const Form kMainForm{"frmOVCache", "Orvane Cache Importer", 4455, 4485, kMainControls, kMainMenus, {}};

} // namespace ovcache::forms
