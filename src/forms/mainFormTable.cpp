// The main window as drawn.
#include "forms/formTable.h"

#include <array>

namespace ovcache::forms {
namespace {

constexpr std::array kMainControls{
    Control{"frmCacheDir", Kind::Frame, "", "Cache Directory Information", 120, 120, 4215, 1095, 5},
    Control{"lblCacheSize", Kind::Label, "frmCacheDir", "Cache Size:", 120, 720, 1215, 255, 11},
    Control{"lblCacheSizeData", Kind::Label, "frmCacheDir", kPlaceholder, 1560, 720, 2535, 255, 10},
    Control{"lblFileCount", Kind::Label, "frmCacheDir", "Number of Files:", 120, 480, 1215, 255, 9},
    Control{"lblFileCountData", Kind::Label, "frmCacheDir", kPlaceholder, 1560, 480, 2535, 255, 8},
    Control{"lblPathData", Kind::Label, "frmCacheDir", kPlaceholder, 1560, 240, 2535, 255, 7},
    Control{"lblPath", Kind::Label, "frmCacheDir", "Cache Directory:", 120, 240, 1215, 255, 6},
    Control{"frmMaps", Kind::Frame, "", "Cached Maps", 120, 1320, 4215, 2535, 3},
    Control{"lstCache", Kind::ListBox, "frmMaps", "", 120, 240, 3975, 2205, 4},
    Control{"cmdMoveAll", Kind::Button, "", "Move All", 1560, 3960, 1215, 375, 2},
    Control{"cmdClear", Kind::Button, "", "Clear Cache", 3000, 3960, 1335, 375, 1},
    Control{"cmdMove", Kind::Button, "", "Move", 120, 3960, 1215, 375, 0},
};

constexpr std::array kMainMenus{
    MenuItem{"mnuFile", "&File", ""},
    MenuItem{"mnuExit", "E&xit", "mnuFile"},
    MenuItem{"mnuEdit", "&Edit", ""},
    MenuItem{"mnuMove", "&Move", "mnuEdit"},
    MenuItem{"mnuMoveAll", "Move &All", "mnuEdit"},
    MenuItem{"mnuSeparator", "-", "mnuEdit"},
    MenuItem{"mnuClearCache", "&Clear Cache", "mnuEdit"},
    MenuItem{"mnuHelp", "&Help", ""},
    MenuItem{"mnuAbout", "&About", "mnuHelp"},
};

} // namespace

const Form kMainForm{"frmOVCache", "Orvane Cache Importer", 4455, 4485, kMainControls, kMainMenus, {}};

} // namespace ovcache::forms
