// The About dialog: product name and version, copyright and company from the
// owner module's version resource, the maker's links, memory and run-time
// figures refreshed every second, and the licence text when one is installed.
#pragma once

#include <windows.h>

#include <cstdint>

#include "text/NString.h"
#include "winbase/ModalDialog.h"

// What the main dialog hands over: the module whose version resource is
// shown, its window (the About dialog's owner) and its large icon (may be
// null).
struct AboutOwner {
    HMODULE module = nullptr;
    HWND window = nullptr;
    HICON icon = nullptr;
};

class MODAL_ABOUT : public QF_MODALDIALOG {
public:
    // The taller template with the licence text area is used when
    // licenceFile exists and the rich edit control it holds can be loaded;
    // the short one otherwise.
    MODAL_ABOUT(const AboutOwner& owner, const NString& licenceFile);
    ~MODAL_ABOUT() override;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    bool HasLicenceText() const { return m_licenceVariant != 0; }

    // Id of the timer that refreshes the figures.
    static constexpr UINT_PTR kRefreshTimer = 1;

protected:
    void OnThemeChanged() override;

private:
    void Initialise();
    void SetUpLinks(const NString& productName, const NString& title);
    void ColourLinks();
    void LoadLicenceText();
    void Refresh();
    void PaintOwnerIcon();
    void OnLicenceLink(const NMHDR* header);

    HMODULE m_ownerModule;
    HICON m_ownerIcon;
    uint8_t m_licenceVariant;
    NString m_licenceFile;
};

// Shows the About dialog over owner.window with the licence file of the
// install folders, and returns when it is closed.
void ShowAboutDialog(const AboutOwner& owner);
