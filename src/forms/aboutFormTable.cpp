// The About box as drawn.
#include "forms/formTable.h"

#include "version.h"

#include <array>

namespace ovcache::forms {
namespace {

constexpr std::array kAboutControls{
    Control{"picIcon", Kind::Picture, "", "", 240, 240, 540, 540, 1},
    Control{"cmdOK", Kind::Button, "", N_("OK"), 4245, 2625, 1260, 345, 0},
    Control{"cmdSysInfo", Kind::Button, "", N_("&System Info..."), 4260, 3075, 1245, 345, 2},
    Control{"lblDescription", Kind::Label, "",
            N_("The orvane cache directory can accumulate unwanted files.  This program allows you to keep the maps "
               "you want and clear the ones you don't so you don't keep accumulating unwanted files and wasting disk "
               "space."),
            1050, 1125, 3885, 1170, 3},
    Control{"lblTitle", Kind::Label, "", "Orvane Cache Importer", 1050, 240, 3885, 480, 5},
    Control{"lblVersion", Kind::Label, "", OVCACHE_VERSION, 1050, 780, 3885, 225, 6},
    Control{"lblDisclaimer", Kind::Label, "",
            N_("Warning: The author of this program is providing it AS IS. The author is not responsible for any "
               "damage that occurs as a result of the use of this product."),
            240, 2625, 3870, 825, 4},
};

// Grey first, the white one drawn over and below it.
constexpr std::array kAboutLines{
    Line{90, 2445, 5654, 2445, false, 1},
    Line{105, 2460, 5654, 2460, true, 2},
};

} // namespace

const Form kAboutForm{"frmAbout", N_("About Orvane Cache Importer"), 5730, 3555, kAboutControls, {}, kAboutLines};

} // namespace ovcache::forms
