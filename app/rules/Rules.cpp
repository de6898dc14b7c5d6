#include "app/rules/Rules.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"
#include "text/Texts.h"

namespace {

constexpr char kRulesSubKey[] = "Rules";
constexpr char kEnabledValue[] = "Enabled";
constexpr char kTitleValue[] = "Title";
constexpr char kClassValue[] = "Class";
constexpr char kExeValue[] = "Exe";
constexpr char kWhenValue[] = "When";
constexpr char kHotkeyValue[] = "Hotkey";
constexpr char kRunValue[] = "Run";
// A UTF-8 character takes at most four bytes.
constexpr size_t kFieldMaxBytes = kRuleFieldMaxChars * 4;
constexpr size_t kRunMaxBytes = kRuleRunMaxChars * 4;
// Values of one rule key read at most: a bound on what a damaged key can cost.
constexpr DWORD kMaxValuesPerRule = 256;

bool IsRuleKeyName(const char* name)
{
    return std::strlen(name) == 3 && std::isdigit(static_cast<unsigned char>(name[0])) &&
           std::isdigit(static_cast<unsigned char>(name[1])) && std::isdigit(static_cast<unsigned char>(name[2]));
}

NString KeyName(int index)
{
    return NString::Format("%03d", index);
}

const RawValue* FindValue(const std::vector<RawValue>& raw, const char* name)
{
    for (const RawValue& value : raw)
        if (value.name.EqualsNoCase(name))
            return &value;
    return nullptr;
}

// An absent value leaves number alone; false for any other type or size.
bool ParseNumber(const std::vector<RawValue>& raw, const char* name, int32_t& number)
{
    const RawValue* value = FindValue(raw, name);
    if (!value)
        return true;
    if (value->type != REG_DWORD || value->data.size() != sizeof(DWORD))
        return false;
    DWORD data = 0;
    std::memcpy(&data, value->data.data(), sizeof data);
    number = static_cast<int32_t>(data);
    return true;
}

// An absent value leaves text empty; false for any other type or a text longer than maxBytes.
// The stored data need not end in a zero: no more than its size is taken.
bool ParseText(const std::vector<RawValue>& raw, const char* name, NString& text, size_t maxBytes = kFieldMaxBytes)
{
    const RawValue* value = FindValue(raw, name);
    if (!value)
        return true;
    if (value->type != REG_SZ)
        return false;
    const char* data = reinterpret_cast<const char*>(value->data.data());
    const size_t length = std::find(data, data + value->data.size(), '\0') - data;
    if (length > maxBytes)
        return false;
    text = NString(value->data.empty() ? "" : data, static_cast<uint32_t>(length));
    return true;
}

Rule ParseRule(const std::vector<RawValue>& raw)
{
    Rule rule;
    // When is always written: an absent one is damage, as it was before 0 meant "only by its hotkey".
    int32_t enabled = 1, when = -1, hotkey = 0;
    const bool unreadable =
        std::any_of(raw.begin(), raw.end(), [](const RawValue& value) { return value.type == REG_NONE; });
    bool sound = !unreadable && ParseNumber(raw, kEnabledValue, enabled) && ParseNumber(raw, kWhenValue, when) &&
                 ParseNumber(raw, kHotkeyValue, hotkey) && ParseText(raw, kTitleValue, rule.title) &&
                 ParseText(raw, kClassValue, rule.className) && ParseText(raw, kExeValue, rule.exe) &&
                 ParseText(raw, kRunValue, rule.run, kRunMaxBytes);
    sound = sound && (enabled == 0 || enabled == 1) && IsRuleHotkeyWord(static_cast<uint32_t>(hotkey)) &&
            when >= static_cast<int32_t>(RuleTrigger::HotkeyOnly) && when <= static_cast<int32_t>(RuleTrigger::CloseBox) &&
            (when != static_cast<int32_t>(RuleTrigger::HotkeyOnly) || hotkey != 0);
    rule.enabled = enabled == 1;
    rule.hotkey = sound ? static_cast<uint16_t>(hotkey) : 0;
    rule.trigger = sound ? static_cast<RuleTrigger>(when) : RuleTrigger::Appears;
    rule.damaged = !sound;
    return rule;
}

// A value that could not be read, kept under its name (empty when the name itself could not be
// read) in its place among a rule's raw values.
RawValue UnreadableMark(const NString& name)
{
    return RawValue{name.IsNull() ? NString("") : name, REG_NONE, {}};
}

// Every value of the rule key, in the registry's order. A value that cannot be read becomes an
// unreadable mark, and so does a key or value name that cannot be read (which ends the list) or
// a value beyond the most a rule can have: the rule then loads as damaged and stays damaged
// wherever it is copied.
std::vector<RawValue> ReadRawValues(const NString& path)
{
    std::vector<StoredValue> listed;
    const LONG result = ActiveSettings().ListValues(path.Text(), listed, kMaxValuesPerRule, true);
    if (result == ERROR_FILE_NOT_FOUND)
        return {UnreadableMark(NString())};
    std::vector<RawValue> values;
    for (StoredValue& value : listed) {
        if (value.result == ERROR_MORE_DATA && value.name.IsEmpty()) {
            values.push_back(UnreadableMark(NString()));
            return values;
        }
        values.push_back(value.result == ERROR_SUCCESS ? RawValue{value.name, value.type, std::move(value.data)}
                                                       : UnreadableMark(value.name));
    }
    if (result != ERROR_SUCCESS)
        values.push_back(UnreadableMark(NString()));
    return values;
}

} // namespace

bool Rule::IsValid() const
{
    return !damaged && !(title.IsEmpty() && className.IsEmpty() && exe.IsEmpty()) &&
           (trigger != RuleTrigger::HotkeyOnly || hotkey != 0);
}

WindowCriteria Rule::Criteria() const
{
    WindowCriteria criteria;
    criteria.titleLike = title;
    criteria.className = className;
    criteria.exe = exe;
    return criteria;
}

NString Rule::Describe() const
{
    NString text("");
    auto add = [&text](Tx label, const NString& value) {
        if (value.IsEmpty())
            return;
        if (!text.IsEmpty())
            text += T(Tx::RuleDescribeSeparator);
        text += NString::Format(T(label), value.Text());
    };
    add(Tx::RuleDescribeProgram, exe);
    add(Tx::RuleDescribeClass, className);
    add(Tx::RuleDescribeTitle, title);
    if (text.IsEmpty())
        text = T(Tx::RuleDescribeNoWindow);
    return text + " " + TriggerText(trigger);
}

bool Rule::SameAs(const Rule& other) const
{
    return enabled == other.enabled && trigger == other.trigger && hotkey == other.hotkey && title.Equals(other.title) &&
           className.Equals(other.className) && exe.Equals(other.exe) && run.Equals(other.run);
}

bool IsRuleHotkeyWord(uint32_t word)
{
    const uint32_t key = word & 0xFF;
    const uint32_t modifiers = word >> 8;
    return word == 0 || (word <= 0xFFFF && key != 0 && key != 0xFF && modifiers <= kRuleHotkeyModifiers &&
                         (modifiers & kRuleHotkeyNeedsOneOf) != 0);
}

const char* TriggerText(RuleTrigger trigger)
{
    if (trigger == RuleTrigger::HotkeyOnly)
        return T(Tx::RuleTriggerHotkey);
    if (trigger == RuleTrigger::CloseBox)
        return T(Tx::RuleTriggerCloseBox);
    return T(trigger == RuleTrigger::Minimised ? Tx::RuleTriggerMinimised : Tx::RuleTriggerAppears);
}

RuleStore::RuleStore(const char* programKeyPath) : m_path(NString(programKeyPath) + "\\" + kRulesSubKey) {}

NString RuleStore::RulePath(const NString& keyName) const
{
    return m_path + "\\" + keyName;
}

bool RuleStore::RuleKeyNames(std::vector<NString>& names) const
{
    names.clear();
    // Only running out of names gives the whole list; a missing key holds no rules. Any other
    // failure (a key deleted or made again meanwhile, a damaged file) leaves the list short.
    std::vector<NString> listed;
    const LONG result = ActiveSettings().ListKeys(m_path.Text(), listed);
    for (const NString& name : listed)
        if (IsRuleKeyName(name.Text()))
            names.push_back(name);
    std::sort(names.begin(), names.end(),
              [](const NString& a, const NString& b) { return std::strcmp(a.Text(), b.Text()) < 0; });
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

std::vector<StoredRule> RuleStore::Load() const
{
    std::vector<StoredRule> rules;
    m_loadedWhole = RuleKeyNames(m_loadedKeys);
    for (const NString& name : m_loadedKeys) {
        StoredRule stored;
        stored.keyName = name;
        stored.raw = ReadRawValues(RulePath(name));
        stored.rule = ParseRule(stored.raw);
        rules.push_back(std::move(stored));
    }
    return rules;
}

std::vector<Rule> RuleStore::LoadActing() const
{
    std::vector<Rule> acting;
    for (const StoredRule& stored : Load())
        if (stored.rule.Acts())
            acting.push_back(stored.rule);
    return acting;
}

bool RuleStore::WriteFresh(const NString& keyName, const Rule& rule) const
{
    const NString path = RulePath(keyName);
    ActiveSettings().DeleteTree(path.Text());
    SettingsKey key(HKEY_CURRENT_USER, path.Text());
    return key.WriteInt(kEnabledValue, rule.enabled ? 1 : 0) && key.WriteText(kTitleValue, rule.title.Text()) &&
           key.WriteText(kClassValue, rule.className.Text()) && key.WriteText(kExeValue, rule.exe.Text()) &&
           key.WriteInt(kWhenValue, static_cast<int32_t>(rule.trigger)) &&
           (rule.hotkey == 0 || key.WriteInt(kHotkeyValue, rule.hotkey)) &&
           (rule.run.IsEmpty() || key.WriteText(kRunValue, rule.run.Text()));
}

bool RuleStore::WriteRaw(const NString& keyName, const std::vector<RawValue>& raw) const
{
    const NString path = RulePath(keyName);
    SettingsStore& store = ActiveSettings();
    store.DeleteTree(path.Text());
    bool written = store.CreateKey(path.Text()) == ERROR_SUCCESS;
    for (const RawValue& value : raw)
        written = store.SetValue(path.Text(), value.name.Text(), value.type, value.data.data(),
                                 static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS && written;
    return written;
}

bool RuleStore::WasLoaded(const NString& keyName) const
{
    return std::any_of(m_loadedKeys.begin(), m_loadedKeys.end(),
                       [&keyName](const NString& loaded) { return loaded.Equals(keyName); });
}

bool RuleStore::Save(const std::vector<StoredRule>& rules) const
{
    std::vector<NString> existing;
    if (!m_loadedWhole || !RuleKeyNames(existing))
        return false;
    // A rule key another hand added since the load (this store neither read nor wrote it) could be
    // written over: nothing is written, and the caller tells the user.
    if (!std::all_of(existing.begin(), existing.end(), [this](const NString& name) { return WasLoaded(name); }))
        return false;
    bool same = rules.size() == existing.size();
    for (size_t i = 0; same && i < rules.size(); ++i)
        same = !rules[i].changed && rules[i].keyName.Equals(existing[i]);
    if (same || rules.size() > static_cast<size_t>(kMaxRules))
        return same;
    const SettingsBatch batch;
    bool written = true;
    for (size_t i = 0; i < rules.size(); ++i) {
        const StoredRule& stored = rules[i];
        const NString name = KeyName(static_cast<int>(i));
        if (!stored.changed && stored.keyName.Equals(name))
            continue;
        const bool fresh = stored.changed || stored.keyName.IsEmpty();
        written = (fresh ? WriteFresh(name, stored.rule) : WriteRaw(name, stored.raw)) && written;
    }
    for (const NString& name : existing)
        if (name.ToInt() >= static_cast<int32_t>(rules.size()))
            ActiveSettings().DeleteTree(RulePath(name).Text());
    // The store now knows the keys of these rules (read or written by it), and no others: a save
    // after a failed one removes what the failed one wrote and the user then dropped.
    m_loadedKeys.clear();
    for (size_t i = 0; i < rules.size(); ++i)
        m_loadedKeys.push_back(KeyName(static_cast<int>(i)));
    return written;
}

bool RuleStore::Append(const Rule& rule) const
{
    std::vector<NString> existing;
    if (!RuleKeyNames(existing))
        return false;
    const int next = existing.empty() ? 0 : existing.back().ToInt() + 1;
    const SettingsBatch batch;
    return next < kMaxRules && WriteFresh(KeyName(next), rule);
}
