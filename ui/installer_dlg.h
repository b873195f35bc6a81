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

    explicit CInstallerDlg(HWND parent = nullptr);

    // Shows the text on the status line and paints the bar, both at once.
    void SetStatus(int percent, const std::string& text) override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(int id, int code) override;
    bool OnPaint() override;
    HICON OnQueryDragIcon() override;
    void OnBrowse();
    void DrawProgress(int percent);

    std::string GetDestinationText() override;
    int ShowMessage(const std::string& text, unsigned type) override;
    std::intptr_t Launch(const std::string& verb, const std::string& file, const std::string& parameters,
                         const std::string& directory, int show) override;

    CControl m_status;
    CControl m_progress;
    CControl m_destination;
    HICON m_hIcon;

private:
    // Forgets what the bar shows: called wherever messages may have been
    // processed, since a repaint may have cleared the bar meanwhile.
    void ForgetPaintedProgress() { m_paintedPercent = -1; }

    std::string m_title; // the caption of every message box
    int m_paintedPercent = -1; // the bar's percent as last painted, or -1 when unknown
};
