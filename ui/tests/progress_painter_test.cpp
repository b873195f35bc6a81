#include "progress_painter.h"
#include "window_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);

// A framed static control with a client area exactly 100 x 12 pixels, in a
// visible popup window, like the dialog's bar control.
class ProgressBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_WINDOWS();
        HINSTANCE module = GetModuleHandleA(nullptr);
        m_host = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 40, 40, 160, 60, nullptr, nullptr, module,
                                 nullptr);
        ASSERT_NE(m_host, nullptr);
        m_bar = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 10, 10, kWidth, kHeight,
                                m_host, nullptr, module, nullptr);
        ASSERT_NE(m_bar, nullptr);
        UpdateWindow(m_host);
        RECT client{};
        GetClientRect(m_bar, &client);
        ASSERT_EQ(client.right, kWidth);
        ASSERT_EQ(client.bottom, kHeight);
    }
    void TearDown() override
    {
        if (m_host != nullptr)
            DestroyWindow(m_host);
    }

    COLORREF Pixel(int x, int y = kHeight / 2) const { return uitest::PixelAt(m_bar, x, y); }
    static COLORREF Face() { return GetSysColor(COLOR_BTNFACE) & 0xFFFFFF; }

    // The first x in [from, to) whose pixel is not `colour`, or `to`.
    int FirstNot(COLORREF colour, int from, int to) const
    {
        for (int x = from; x < to; ++x) {
            if (Pixel(x) != colour)
                return x;
        }
        return to;
    }

    static constexpr int kWidth = 100;
    static constexpr int kHeight = 12;
    HWND m_host = nullptr;
    HWND m_bar = nullptr;
};

TEST_F(ProgressBar, EmptyAtZero)
{
    ui::PaintProgress(m_bar, 0);
    EXPECT_EQ(FirstNot(Face(), 1, kWidth - 1), kWidth - 1) << "the inner area is cleared and left empty";
}

TEST_F(ProgressBar, HalfFillsUpToTheMiddle)
{
    ui::PaintProgress(m_bar, 50);
    EXPECT_EQ(FirstNot(kBlue, 1, kWidth), 50) << "blue from x = 1 up to x = 50, exclusive";
    EXPECT_EQ(FirstNot(Face(), 50, kWidth - 1), kWidth - 1) << "the rest of the inner area is cleared";
}

TEST_F(ProgressBar, FullReachesTheClientEdgeButNotTheTopOrBottomFrame)
{
    ui::PaintProgress(m_bar, 100);
    EXPECT_NE(Pixel(0), kBlue) << "the left frame stays";
    EXPECT_EQ(FirstNot(kBlue, 1, kWidth), kWidth) << "the blue runs to the client's right edge";
    EXPECT_EQ(Pixel(1, 1), kBlue);
    EXPECT_EQ(Pixel(1, kHeight - 2), kBlue);
    EXPECT_NE(Pixel(1, 0), kBlue) << "the top frame stays";
    EXPECT_NE(Pixel(1, kHeight - 1), kBlue) << "the bottom frame stays";
}

TEST_F(ProgressBar, LowerPercentageClearsTheEarlierBar)
{
    const COLORREF frame = Pixel(kWidth - 1);
    ASSERT_NE(frame, kBlue);
    ui::PaintProgress(m_bar, 100);
    ui::PaintProgress(m_bar, 30);
    EXPECT_EQ(FirstNot(kBlue, 1, kWidth), 30);
    EXPECT_EQ(FirstNot(Face(), 30, kWidth - 1), kWidth - 1);
    EXPECT_EQ(Pixel(kWidth - 1), frame) << "the frame's right edge, painted over at 100, is restored";
    ui::PaintProgress(m_bar, 100);
    ui::PaintProgress(m_bar, 0);
    EXPECT_EQ(FirstNot(Face(), 1, kWidth - 1), kWidth - 1);
    EXPECT_EQ(Pixel(kWidth - 1), frame);
}

} // namespace
