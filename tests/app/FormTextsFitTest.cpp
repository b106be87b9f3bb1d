// Every text of every window of the tracker shows whole at the window's design size, in the
// DejaVu fonts the program is drawn with.
#include "AppTestSupport.h"
#include "TextFit.h"

#include "app/Unit10.h"
#include "app/Unit11.h"
#include "app/Unit12.h"
#include "app/Unit13.h"
#include "app/Unit2.h"
#include "app/Unit4.h"
#include "app/Unit5.h"
#include "app/Unit6.h"
#include "app/Unit7.h"
#include "app/Unit8.h"
#include "app/Unit9.h"

#include <gmock/gmock.h>

#include <memory>

namespace {

class FormTexts : public ProgramFolderTest {};

template <class TWindow>
std::vector<std::string> CutTextsOf()
{
    TWindow window(nullptr);
    return CutTexts(window);
}

TEST_F(FormTexts, EveryTextOfEveryWindowShowsWhole)
{
    MakeDataFolders();
    MakeAllTables();
    Ini().WriteString("Settings", "OpenSite", "1");
    // The main window at the size of a first start.
    EXPECT_THAT(CutTexts(Start()), ::testing::IsEmpty()) << "Tmainfrm";
    FreeWindow();
    EXPECT_THAT(CutTextsOf<Tsplashfrm>(), ::testing::IsEmpty()) << "Tsplashfrm";
    EXPECT_THAT(CutTextsOf<Tmainissuefrm>(), ::testing::IsEmpty()) << "Tmainissuefrm";
    EXPECT_THAT(CutTextsOf<Tsubissuefrm>(), ::testing::IsEmpty()) << "Tsubissuefrm";
    EXPECT_THAT(CutTextsOf<Tcodefrm>(), ::testing::IsEmpty()) << "Tcodefrm";
    EXPECT_THAT(CutTextsOf<Tproductfrm>(), ::testing::IsEmpty()) << "Tproductfrm";
    EXPECT_THAT(CutTextsOf<Tlistfrm>(), ::testing::IsEmpty()) << "Tlistfrm";
    EXPECT_THAT(CutTextsOf<Tcontactfrm>(), ::testing::IsEmpty()) << "Tcontactfrm";
    EXPECT_THAT(CutTextsOf<Tworkfrm>(), ::testing::IsEmpty()) << "Tworkfrm";
    EXPECT_THAT(CutTextsOf<Tsettingsfrm>(), ::testing::IsEmpty()) << "Tsettingsfrm";
    EXPECT_THAT(CutTextsOf<Townerfrm>(), ::testing::IsEmpty()) << "Townerfrm";
    EXPECT_THAT(CutTextsOf<Tfilterfrm>(), ::testing::IsEmpty()) << "Tfilterfrm";
}

}  // namespace
