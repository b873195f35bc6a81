// The dialog base on its own, with none of the installer's handlers: how each
// way out of a dialog ends it, and what a handler that fails does.

#include "modal_dialog.h"
#include "resource.h"
#include "window_test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr INT_PTR kStuck = 99;

void CALLBACK EndStuckDialog(HWND dialog, UINT, UINT_PTR, DWORD) { ::EndDialog(dialog, kStuck); }

struct Post {
    UINT message;
    WPARAM wParam;
};

// How the binding of controls fails, if it does.
enum class Fault { kNone, kMissingControl, kLibrary };

// The installer's template with only the base's handlers, sent `posts` once it is up.
class BareDialog : public CModalDialog {
public:
    std::vector<Post> posts;
    Fault fault = Fault::kNone;
    bool failWhenTold = false;    // telling of a failure fails too

    BareDialog() : CModalDialog(IDD_INSTALLER) {}
    HWND Window() const { return m_hWnd; }

protected:
    void DoDataExchange() override
    {
        if (fault == Fault::kMissingControl)
            CControl().Bind(m_hWnd, 4242);
        // The installer's own thrower of the library's errors (library_throws.cpp).
        if (fault == Fault::kLibrary)
            CControl().Bind(m_hWnd, static_cast<int>(std::string().substr(1).size()));
    }
    BOOL OnInitDialog() override
    {
        // A dialog that ignores its way out ends all the same, and the test says so.
        SetTimer(m_hWnd, 1, 10000, EndStuckDialog);
        for (const Post& post : posts)
            PostMessageA(m_hWnd, post.message, post.wParam, 0);
        return CModalDialog::OnInitDialog();
    }
    void OnHandlerFailed() override
    {
        if (failWhenTold)
            throw std::runtime_error("telling failed too");
        CModalDialog::OnHandlerFailed();
    }
};

WPARAM Clicked(int id) { return MAKEWPARAM(id, BN_CLICKED); }

} // namespace

TEST(ModalDialog, EndsAsItsWayOutSaysAndWithMinusOneWhenAHandlerFails)
{
    SKIP_WITHOUT_WINDOWS();
    struct Case {
        const char* what;
        std::vector<Post> posts;
        Fault fault;
        bool failWhenTold;
        INT_PTR result;
    };
    const Case cases[] = {
        {"the default button", {{WM_COMMAND, Clicked(IDOK)}}, Fault::kNone, false, IDOK},
        {"Close", {{WM_COMMAND, Clicked(IDCANCEL)}}, Fault::kNone, false, IDCANCEL},
        {"a button it has no handler for, then the close box", {{WM_COMMAND, Clicked(IDC_BROWSE)}, {WM_CLOSE, 0}},
         Fault::kNone, false, IDCANCEL},
        {"a control its template lacks", {}, Fault::kMissingControl, false, -1},
        {"an error of the library's", {}, Fault::kLibrary, false, -1},
        {"a failure whose telling fails too", {}, Fault::kMissingControl, true, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BareDialog dialog;
        dialog.posts = c.posts;
        dialog.fault = c.fault;
        dialog.failWhenTold = c.failWhenTold;
        EXPECT_EQ(dialog.DoModal(), c.result);
        EXPECT_EQ(dialog.Window(), nullptr) << "the window is gone once the dialog ends";
    }
}
