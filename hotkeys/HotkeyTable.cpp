#include "hotkeys/HotkeyTable.h"

#include <algorithm>

#include <cstring>
#include <utility>

#include "hotkeys/KeyNames.h"
#include "settings/SettingsStore.h"
#include "text/Texts.h"

namespace {


// Virtual-key codes run from 1 to 254; anything else names no key.
constexpr uint16_t kHighestKey = 0xFE;

// How an action's value was found in the store.
enum class Stored { No, Binding, Unassigned };

// The record named like fallback as stored, when its value is a string that names a real key, or
// is exactly what Save writes for the action without a combination ("0,0,0,0,<its id>"): the user
// left it unassigned. Stored::No, with record left alone, otherwise. A damaged value would
// otherwise register a combination no keyboard can press and greet the user with a conflict
// message at every start.
Stored ReadStoredRecord(SettingsKey& store, const HotkeyRecord& fallback, HotkeyRecord& record)
{
    NString text = fallback.ToStoredText();
    if (!store.ReadText(fallback.name.Text(), text))
        return Stored::No;
    const HotkeyRecord unassigned(fallback.name.Text(), false, false, false, 0, fallback.id);
    if (text.Equals(unassigned.ToStoredText().Text())) {
        record = unassigned;
        return Stored::Unassigned;
    }
    HotkeyRecord stored = HotkeyRecord::FromStoredText(fallback.name.Text(), text);
    if (stored.key == 0 || stored.key > kHighestKey)
        return Stored::No;
    record = stored;
    return Stored::Binding;
}

// Restore Last, Restore All and Hide Program came after Hide Active and Popup Menu: only their
// defaults give way to the user's bindings.
bool IsNewerAction(uint32_t id)
{
    return id == kRestoreLastHotkeyId || id == kRestoreAllHotkeyId || id == kHideProgramHotkeyId;
}

bool IsOlderAction(uint32_t id)
{
    return id == kHideActiveHotkeyId || id == kPopupMenuHotkeyId;
}

// The actions in table order with their default combinations.
const std::vector<HotkeyRecord>& DefaultRecords()
{
    static const std::vector<HotkeyRecord> defaults = {
        {kHideActiveName, true, true, false, 'H', kHideActiveHotkeyId},
        {kPopupMenuName, true, true, false, 'M', kPopupMenuHotkeyId},
        {kRestoreLastName, true, true, false, 'U', kRestoreLastHotkeyId},
        {kRestoreAllName, true, true, true, 'U', kRestoreAllHotkeyId},
        {kHideProgramName, true, true, true, 'H', kHideProgramHotkeyId},
    };
    return defaults;
}

// Whether the record at index, on its default, collides with a binding the user stored for an
// action that outranks it: any action when the default was not stored, an older one when it was.
bool DefaultGivesWay(const std::vector<HotkeyRecord>& records, const std::vector<Stored>& stored,
                     std::size_t index)
{
    for (std::size_t j = 0; j < records.size(); ++j) {
        const bool outranks = stored[index] == Stored::No || IsOlderAction(DefaultRecords()[j].id);
        if (j != index && outranks && stored[j] == Stored::Binding && records[j].SameCombination(records[index]))
            return true;
    }
    return false;
}

} // namespace

HotkeyRecord::HotkeyRecord(const char* name, bool ctrl, bool shift, bool alt, uint16_t key,
                           uint32_t id)
    : name(name), ctrl(ctrl), shift(shift), alt(alt), key(key), id(id)
{
}

NString HotkeyRecord::ToStoredText() const
{
    return NString::Format("%u,%u,%u,%u,%u", static_cast<unsigned>(ctrl),
                           static_cast<unsigned>(shift), static_cast<unsigned>(alt),
                           static_cast<unsigned>(key), static_cast<unsigned>(id));
}

HotkeyRecord HotkeyRecord::FromStoredText(const char* name, const NString& text)
{
    NString rest = text;
    HotkeyRecord record;
    record.name = name;
    record.ctrl = rest.PopField(',').ToInt() != 0;
    record.shift = rest.PopField(',').ToInt() != 0;
    record.alt = rest.PopField(',').ToInt() != 0;
    record.key = static_cast<uint16_t>(rest.PopField(',').ToInt());
    record.id = static_cast<uint32_t>(rest.ToInt());
    return record;
}

UINT HotkeyRecord::Modifiers() const
{
    UINT modifiers = 0;
    if (ctrl)
        modifiers |= MOD_CONTROL;
    if (alt)
        modifiers |= MOD_ALT;
    if (shift)
        modifiers |= MOD_SHIFT;
    return modifiers;
}

bool HotkeyRecord::Register(HWND window)
{
    registered = RegisterHotKey(window, static_cast<int>(id), Modifiers(), key) != FALSE;
    return registered;
}

NString HotkeyRecord::HotkeyText() const
{
    return ::HotkeyText(*this);
}

bool HotkeyRecord::SameCombination(const HotkeyRecord& other) const
{
    return ctrl == other.ctrl && shift == other.shift && alt == other.alt && key == other.key;
}

bool HotkeyRecord::SameRecord(const HotkeyRecord& other) const
{
    return SameCombination(other) && id == other.id;
}

bool HotkeyTable::RemoveFirstSame(const HotkeyRecord& record)
{
    for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        if (it->SameRecord(record)) {
            m_records.erase(it);
            return true;
        }
    }
    return false;
}

const HotkeyRecord* HotkeyTable::FindByName(const char* name) const
{
    for (const HotkeyRecord& record : m_records) {
        if (record.name.Equals(name))
            return &record;
    }
    return nullptr;
}

// A default stands in only where the user has stored nothing. A newer action's default that
// equals a combination the user has stored for another action (settings from before the newer
// actions existed, with Hide Active moved to Ctrl+Shift+U) stays unassigned: the user's binding
// wins, where registering both would fail against our own window and ask about it at every start.
// The same holds for a newer action stored with exactly its default beside an older action stored
// with that combination: the Hot Key dialog's OK wrote the default of a version that gave it
// despite the collision. An older action's default is never given up; a collision there is the
// user's to settle, through the conflict question.
void HotkeyTable::Load(SettingsKey& store)
{
    const std::vector<HotkeyRecord>& defaults = DefaultRecords();
    m_records = defaults;
    std::vector<Stored> stored(m_records.size(), Stored::No);
    for (std::size_t i = 0; i < m_records.size(); ++i)
        stored[i] = ReadStoredRecord(store, defaults[i], m_records[i]);
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (IsNewerAction(defaults[i].id) && m_records[i].SameRecord(defaults[i]) &&
            DefaultGivesWay(m_records, stored, i))
            m_records[i] = HotkeyRecord(defaults[i].name.Text(), false, false, false, 0, defaults[i].id);
    }
}

void HotkeyTable::Build(SettingsKey& store, HWND window, const HotkeyConflictAsker& ask)
{
    // Releasing first keeps a rebuild of a registered table from colliding
    // with its own earlier registrations.
    UnregisterAll(store, window);
    Load(store);
    RegisterAll(store, window, ask);
}

void HotkeyTable::RegisterAll(SettingsKey& store, HWND window, const HotkeyConflictAsker& ask)
{
    if (!ReadSwitch(store, kUseHotkeyValue))
        return;
    const std::size_t assigned = static_cast<std::size_t>(
        std::count_if(m_records.begin(), m_records.end(), [](const HotkeyRecord& r) { return r.IsAssigned(); }));
    std::size_t failures = 0;
    for (HotkeyRecord& record : m_records) {
        if (!record.IsAssigned() || record.Register(window))
            continue;
        if (++failures == assigned)
            return;
        const NString text = NString::Format(T(Tx::MsgHotkeyConflict), record.HotkeyText().Text(),
                                             HotkeyDisplayName(record.name.Text()));
        if (ask && ask(text.Text()) == IDYES)
            return;
    }
}

void HotkeyTable::UnregisterAll(SettingsKey& store, HWND window)
{
    if (!ReadSwitch(store, kUseHotkeyValue))
        return;
    for (HotkeyRecord& record : m_records) {
        if (record.registered && UnregisterHotKey(window, static_cast<int>(record.id)))
            record.registered = false;
    }
}

void HotkeyTable::Save(SettingsKey& store) const
{
    const SettingsBatch batch;
    for (const HotkeyRecord& record : m_records)
        store.WriteText(record.name.Text(), record.ToStoredText().Text());
}

const char* HotkeyDisplayName(const char* storedName)
{
    static constexpr std::pair<const char*, Tx> kShown[] = {
        {kHideActiveName, Tx::HotkeyHideActive},   {kPopupMenuName, Tx::HotkeyPopupMenu},
        {kRestoreLastName, Tx::HotkeyRestoreLast}, {kRestoreAllName, Tx::HotkeyRestoreAll},
        {kHideProgramName, Tx::HotkeyHideProgram}};
    for (const auto& [name, text] : kShown)
        if (std::strcmp(storedName, name) == 0)
            return T(text);
    return storedName;
}

NString HotkeyTable::CurrentHotkeysText() const
{
    NString text(T(Tx::HotkeyCurrentList));
    for (const HotkeyRecord& record : m_records) {
        text.Append('\n');
        text.Append(HotkeyDisplayName(record.name.Text()));
        text.Append(' ');
        text.Append(record.IsAssigned() ? record.HotkeyText() : NString(T(Tx::HotkeyNone)));
    }
    return text;
}

bool ReadSwitch(SettingsKey& store, const char* name)
{
    int32_t value = 1;
    store.ReadInt(name, value);
    return value != 0;
}
