#pragma once

#include <windows.h>

#include <exception>
#include <string>

// What binding raises when the dialog has no control of the id asked for.
class MissingControl : public std::exception {
public:
    const char* what() const noexcept override { return "the dialog has no control of that id"; }
};

// A control of a dialog, bound to it by id once the dialog exists.
class CControl {
public:
    // Raises MissingControl when the dialog has no control of that id.
    void Bind(HWND dialog, int id);
    HWND GetHwnd() const { return m_hWnd; }
    void SetText(const std::string& text) const;
    // Sets the text without the repaint that a static control makes at once;
    // the screen shows it from the next Repaint.
    void StoreText(const std::string& text) const;
    void Repaint() const;
    std::string GetText() const;

private:
    HWND m_hWnd = nullptr;
};

// A modal dialog made from a template of this executable. The dialog manager
// runs it; the dialog procedure hands the few messages the installer needs to
// the virtual handlers below. No exception leaves the procedure: one that
// reaches it is told through OnHandlerFailed and ends the dialog with -1.
class CModalDialog {
public:
    explicit CModalDialog(int templateId, HWND parent = nullptr) : m_templateId(templateId), m_parent(parent) {}
    virtual ~CModalDialog() = default;
    CModalDialog(const CModalDialog&) = delete;
    CModalDialog& operator=(const CModalDialog&) = delete;

    // Runs the dialog until it ends. Returns the result given to EndDialog,
    // or -1 when it could not be shown or a handler failed.
    INT_PTR DoModal();

protected:
    // Binds the controls; called by OnInitDialog.
    virtual void DoDataExchange() {}
    // Returns TRUE to let the system give the focus to the first control.
    virtual BOOL OnInitDialog();
    virtual void OnOK();     // IDOK: the default button, or Enter
    virtual void OnCancel(); // IDCANCEL: Esc, or the caption's close box
    // Any other command; returns false when it is not handled.
    virtual bool OnCommand(int id, int code);
    // Returns false to leave the painting to the dialog manager.
    virtual bool OnPaint();
    virtual HICON OnQueryDragIcon();
    // A handler raised an exception; the dialog ends with -1 once this returns.
    // Until then the dialog handles no message itself.
    virtual void OnHandlerFailed() {}

    void EndDialog(INT_PTR result);

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleCommand(int id, int code);
    void CenterOnWorkArea();

    int m_templateId;
    HWND m_parent;
    bool m_failed = false;
};
