#include "forms/formTable.h"

#include "version.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

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

constexpr std::array kAboutControls{
    Control{"picIcon", Kind::Picture, "", "", 240, 240, 540, 540, 1},
    Control{"cmdOK", Kind::Button, "", "OK", 4245, 2625, 1260, 345, 0},
    Control{"cmdSysInfo", Kind::Button, "", "&System Info...", 4260, 3075, 1245, 345, 2},
    Control{"lblDescription", Kind::Label, "",
            "The orvane cache directory can accumulate unwanted files.  This program allows you to keep the maps you "
            "want and clear the ones you don't so you don't keep accumulating unwanted files and wasting disk space.",
            1050, 1125, 3885, 1170, 3},
    Control{"lblTitle", Kind::Label, "", "Orvane Cache Importer", 1050, 240, 3885, 480, 5},
    Control{"lblVersion", Kind::Label, "", OVCACHE_VERSION, 1050, 780, 3885, 225, 6},
    Control{"lblDisclaimer", Kind::Label, "",
            "Warning: The author of this program is providing it AS IS. The author is not responsible for any damage "
            "that occurs as a result of the use of this product.",
            240, 2625, 3870, 825, 4},
};

// Grey first, the white one drawn over and below it.
constexpr std::array kAboutLines{
    Line{90, 2445, 5654, 2445, false, 1},
    Line{105, 2460, 5654, 2460, true, 2},
};

} // namespace

const Form kMainForm{"frmOVCache", "Orvane Cache Importer", 4455, 4485, kMainControls, kMainMenus, {}};
const Form kAboutForm{"frmAbout", "About Orvane Cache Importer", 5730, 3555, kAboutControls, {}, kAboutLines};

const Control& Find(const Form& form, std::string_view name)
{
    for (const Control& control : form.controls)
        if (control.name == name)
            return control;
    throw std::out_of_range("no control " + std::string(name) + " on " + std::string(form.name));
}

Rect ClientRect(const Form& form, const Control& control)
{
    Rect rect{control.left, control.top, control.width, control.height};
    if (!control.container.empty()) {
        const Control& container = Find(form, control.container);
        rect.left += container.left;
        rect.top += container.top;
    }
    return rect;
}

std::vector<const Control*> TabOrder(const Form& form)
{
    std::vector<const Control*> order;
    for (const Control& control : form.controls)
        if (control.kind == Kind::Button || control.kind == Kind::ListBox)
            order.push_back(&control);
    std::sort(order.begin(), order.end(), [](const Control* a, const Control* b) { return a->tabIndex < b->tabIndex; });
    return order;
}

Rect ToPixels(const Rect& twips, int dpi)
{
    return {ToPixels(twips.left, dpi), ToPixels(twips.top, dpi), ToPixels(twips.width, dpi),
            ToPixels(twips.height, dpi)};
}

bool CaptionsFit(const Form& form, int dpi, const std::function<int(std::string_view caption)>& width)
{
    for (const Control& control : form.controls)
        if (control.kind == Kind::Label && !control.caption.empty() && control.caption != kPlaceholder &&
            width(control.caption) > ToPixels(control.width, dpi))
            return false;
    return true;
}

} // namespace ovcache::forms
