#pragma once

#include "installer_engine.h"
#include "modal_dialog.h"

#include <cstdint>
#include <string>

// The installer's one dialog: the destination box, Install and Close, and the
// status line with its progress bar. The install itself is the engine's; the
// dialog is the engine's host.
class CInstallerDlg : public CModalDialog, public CInstallEngine {
public:
    static constexpr const char* kDefaultDestination = "C:\\Program\\KW\\Pelmora\\";
    static constexpr const char* kBrowseTitle = "Select destination:";
    static constexpr const char* kUnexpectedError = "Unexpected error!!";

    explicit CInstallerDlg(HWND parent = nullptr);

    // Sets the status line's text and paints the bar at once; the line itself
    // is painted at once too unless statuses are coming faster than the eye
    // can follow.
    void SetStatus(int percent, const std::string& text) override;

    // A status replaced sooner than this after the last one painted is set on
    // the line but not painted: about two frames of a 60 Hz screen, far
    // shorter than anyone needs to read a name, and still a line that runs.
    static constexpr DWORD kStatusPaintMs = 30;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(int id, int code) override;
    HICON OnQueryDragIcon() override;
    void OnHandlerFailed() override;
    void OnBrowse();
    void DrawProgress(int percent);

    std::string GetDestinationText() override;
    // Both first bring the status line up to date, then call the two below.
    int ShowMessage(const std::string& text, unsigned type) override;
    std::intptr_t Launch(const std::string& verb, const std::string& file, const std::string& parameters,
                         const std::string& directory, int show) override;
    void OnStillExtracting() override;

    virtual int ShowMessageBox(const std::string& text, unsigned type);
    virtual std::intptr_t ShellExecuteFile(const std::string& verb, const std::string& file,
                                           const std::string& parameters, const std::string& directory, int show);

    CControl m_status;
    CControl m_progress;
    CControl m_destination;
    HICON m_hIcon;

private:
    // Forgets what the bar shows: called wherever messages may have been
    // processed, since a repaint may have cleared the bar meanwhile.
    void ForgetPaintedProgress() { m_paintedPercent = -1; }
    void PaintStatusIfDue();
    void PaintPendingStatus();
    void PaintStatus();

    std::string m_title; // the caption of every message box
    int m_paintedPercent = -1; // the bar's percent as last painted, or -1 when unknown
    bool m_statusPending = false; // the status line's text is newer than its paint
    DWORD m_statusPaintedAt = 0; // GetTickCount at the status line's last paint
};
