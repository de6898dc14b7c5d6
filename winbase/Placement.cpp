// Saving and restoring a dialog's placement.
#include "winbase/WinBase.h"

#include "winbase/PlacementStore.h"
#include "winbase/WindowHelpers.h"

namespace {

constexpr char kPlacementKey[] = "MainWindow";
constexpr char kMakerRoot[] = "Software\\Quillfen\\";

}  // namespace

// Only a top-level dialog with a key name of its own keeps its placement;
// dialogs made without a key name have the maker's root key alone.
bool QF_WINBASE::HasOwnSettingsKey() const
{
    const NString& path = m_settings.Path();
    if (path.IsEmpty()) {
        return false;
    }
    NString withSlash(path);
    withSlash.EnsureTrailing('\\');
    return !withSlash.EqualsNoCase(kMakerRoot);
}

void QF_WINBASE::SavePlacement()
{
    if (m_parent || !HasOwnSettingsKey() || m_placementAwaitsControls) {
        return;
    }
    SaveWindowPlacement(m_settings, kPlacementKey, m_window, m_windowState, m_dpi);
}

// The placement a dialog made whole takes at its start when none is stored: centred, and stored.
void QF_WINBASE::StoreFirstPlacement()
{
    CenterWindow(m_window, nullptr);
    if (!m_parent && HasOwnSettingsKey()) {
        SaveWindowPlacement(m_settings, kPlacementKey, m_window, kStateNormal, m_dpi);
    }
}

void QF_WINBASE::RestorePlacement()
{
    if (!HasOwnSettingsKey()) {
        CenterWindow(m_window, m_parent);
        return;
    }
    // A dialog made without its controls has not the size its texts will give it: with nothing
    // stored it is centred, and its first placement stored once the controls are made.
    if (ControlsDeferred() && !PlacementStored(m_settings, kPlacementKey)) {
        CenterWindow(m_window, nullptr);
        m_placementAwaitsControls = true;
        return;
    }
    const bool resizable = (GetWindowLongPtrA(m_window, GWL_STYLE) & WS_THICKFRAME) != 0;
    RestoreWindowPlacement(m_settings, kPlacementKey, m_window, resizable, m_dpi);
    if (m_parent) {
        CenterWindow(m_window, m_parent);
    }
}
