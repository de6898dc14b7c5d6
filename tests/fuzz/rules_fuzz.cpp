// The rules store against a registry any program can write to, read through the A functions
// under the UTF-8 code page (see standin/FakeRegistry.h). The input builds the Rules key (rule
// keys with values of any name, type and UTF-16 data), then edits the loaded list as the Rules
// dialog does (moves, changes, additions, removals). Properties: a rule loads either damaged or
// with every field exactly as stored, and with every value of its key kept; moved and unchanged
// rules keep their meaning and their values through a save and a load; changed and new rules
// load as written; a save with nothing changed writes nothing; every key opened is closed.
#include <algorithm>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "app/rules/Rules.h"
#include "standin/FakeRegistry.h"

namespace {

constexpr char kProgramKey[] = "Software\\Veilbox";
constexpr char kRulesKey[] = "Software\\Veilbox\\Rules";

std::vector<BYTE> Bytes(const std::u16string& units)
{
    const BYTE* begin = reinterpret_cast<const BYTE*>(units.data());
    return std::vector<BYTE>(begin, begin + units.size() * 2);
}

void BuildStore(FuzzedDataProvider& in)
{
    static const char16_t* const kNames[] = {u"Enabled", u"Title", u"Class", u"Exe", u"When", u"TITLE",
                                             u"Other", u"Hotkey", u"Run", u"", u"\u6771\u4EAC\u90FD\u5E81\u306E\u304A\u77E5\u3089\u305B"};
    static const DWORD kTypes[] = {REG_SZ, REG_DWORD, REG_SZ, REG_BINARY, REG_EXPAND_SZ, REG_QWORD};
    const size_t keys = in.ConsumeIntegralInRange<size_t>(0, 6);
    fakereg::MakeKey(kRulesKey);
    for (size_t k = 0; k < keys; ++k) {
        const int number = in.ConsumeIntegralInRange<int>(0, 12);
        const std::string name = in.ConsumeIntegralInRange<int>(0, 15) ? NString::Format("%03d", number).Text()
                                                                        : std::to_string(number * 7);
        const std::string path = std::string(kRulesKey) + "\\" + name;
        fakereg::MakeKey(path);
        const size_t values = in.ConsumeIntegralInRange<size_t>(0, 7);
        for (size_t v = 0; v < values; ++v) {
            const uint8_t pick = in.ConsumeIntegral<uint8_t>();
            const std::u16string valueName = pick < 250 ? kNames[pick % 9] : Units(in, 200, false);
            const DWORD type = kTypes[in.ConsumeIntegralInRange<int>(0, 5)];
            std::vector<BYTE> data;
            if (type == REG_DWORD && in.ConsumeIntegralInRange<int>(0, 7)) {
                const DWORD number = in.ConsumeIntegralInRange<DWORD>(0, 3);
                data.assign(reinterpret_cast<const BYTE*>(&number), reinterpret_cast<const BYTE*>(&number) + 4);
            } else {
                std::u16string text = Units(in, in.ConsumeBool() ? 400 : 24, in.ConsumeIntegralInRange<int>(0, 3) == 0);
                if (in.ConsumeIntegralInRange<int>(0, 7))
                    text += u'\0';
                data = Bytes(text);
                if (in.ConsumeIntegralInRange<int>(0, 31) == 0)
                    data.push_back(0x41);
            }
            fakereg::Put(path, valueName, type, data);
        }
    }
}

// The text an A read gives for a stored text, up to its first zero.
NString ExpectedText(const fakereg::StoredValue& value)
{
    const std::vector<BYTE> ansi = fakereg::AnsiData(value.type, value.data);
    const std::string text(ansi.begin(), ansi.end());
    return NString(text.substr(0, text.find('\0')).c_str());
}

const fakereg::StoredValue* Named(const std::vector<fakereg::StoredValue>& values, const char* name)
{
    for (const fakereg::StoredValue& value : values)
        if (NString(fakereg::Utf8(value.name).c_str()).EqualsNoCase(name))
            return &value;
    return nullptr;
}

bool SameRaw(const std::vector<RawValue>& a, const std::vector<RawValue>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!SameText(a[i].name, b[i].name) || a[i].type != b[i].type || a[i].data != b[i].data)
            return false;
    return true;
}

// Every loaded rule is damaged or whole: each field as stored, each value of its key kept.
void CheckLoaded(const std::vector<StoredRule>& rules)
{
    for (const StoredRule& stored : rules) {
        const std::vector<fakereg::StoredValue> values =
            fakereg::Values(std::string(kRulesKey) + "\\" + stored.keyName.Text());
        if (stored.rule.damaged)
            continue;
        Check(stored.raw.size() == values.size(), "a rule that loads whole keeps every value of its key");
        for (size_t i = 0; i < values.size() && i < stored.raw.size(); ++i)
            Check(SameText(stored.raw[i].name, NString(fakereg::Utf8(values[i].name).c_str())) &&
                      stored.raw[i].type == values[i].type &&
                      stored.raw[i].data == fakereg::AnsiData(values[i].type, values[i].data),
                  "each value is kept as the A functions read it");
        const std::pair<const char*, const NString*> fields[] = {
            {"Title", &stored.rule.title}, {"Class", &stored.rule.className}, {"Exe", &stored.rule.exe},
            {"Run", &stored.rule.run}};
        for (const auto& field : fields) {
            const fakereg::StoredValue* value = Named(values, field.first);
            Check(SameText(*field.second, value ? ExpectedText(*value) : NString("")),
                  "a rule never loads with a field missing or changed");
        }
        Check(IsRuleHotkeyWord(stored.rule.hotkey) && (stored.rule.trigger != RuleTrigger::HotkeyOnly || stored.rule.hotkey),
              "a sound rule's hotkey is one the hotkey control gives, and a rule only by its hotkey has one");
    }
}

NString EditedText(FuzzedDataProvider& in)
{
    const std::u16string units = Units(in, kRuleFieldMaxChars / 2, false);
    return NString(fakereg::Utf8(units).c_str());
}

// Edits the list as the Rules dialog may: moves, changes of sound rules, new rules, removals.
std::vector<StoredRule> Edited(std::vector<StoredRule> rules, FuzzedDataProvider& in)
{
    const size_t steps = in.ConsumeIntegralInRange<size_t>(0, 6);
    for (size_t s = 0; s < steps; ++s) {
        const int what = in.ConsumeIntegralInRange<int>(0, 3);
        const size_t a = rules.empty() ? 0 : in.ConsumeIntegralInRange<size_t>(0, rules.size() - 1);
        const size_t b = rules.empty() ? 0 : in.ConsumeIntegralInRange<size_t>(0, rules.size() - 1);
        if (what == 0 && !rules.empty()) {
            std::swap(rules[a], rules[b]);
        } else if (what == 1 && !rules.empty() && !rules[a].rule.damaged) {
            rules[a].rule.title = EditedText(in);
            rules[a].rule.enabled = in.ConsumeBool();
            rules[a].changed = true;
        } else if (what == 2 && rules.size() < 12) {
            StoredRule added;
            added.rule.exe = EditedText(in);
            added.rule.className = EditedText(in);
            added.rule.trigger = in.ConsumeBool() ? RuleTrigger::Minimised : RuleTrigger::Appears;
            // As the Rule dialog gives them: a word the hotkey control makes, a command line.
            const uint16_t hotkey = in.ConsumeIntegral<uint16_t>();
            added.rule.hotkey = IsRuleHotkeyWord(hotkey) ? hotkey : 0;
            added.rule.trigger = added.rule.hotkey && in.ConsumeBool() ? RuleTrigger::HotkeyOnly : added.rule.trigger;
            added.rule.run = EditedText(in);
            added.changed = true;
            rules.insert(rules.begin() + static_cast<long>(a), added);
        } else if (what == 3 && !rules.empty()) {
            rules.erase(rules.begin() + static_cast<long>(a));
        }
    }
    return rules;
}

void CheckSaved(const std::vector<StoredRule>& saved, const std::vector<StoredRule>& loaded)
{
    Check(loaded.size() == saved.size(), "a save keeps exactly the rules of the list");
    for (size_t i = 0; i < saved.size() && i < loaded.size(); ++i) {
        Check(loaded[i].rule.damaged == saved[i].rule.damaged, "a rule keeps its damage mark");
        if (!saved[i].rule.damaged)
            Check(loaded[i].rule.SameAs(saved[i].rule), "moving or changing a rule keeps its meaning");
        if (!saved[i].changed)
            Check(SameRaw(loaded[i].raw, saved[i].raw), "a moved rule keeps every value");
    }
}

// An added rule goes after the last stored one and touches no other.
void CheckAppend(const RuleStore& store, const std::vector<StoredRule>& before, FuzzedDataProvider& in)
{
    Rule added;
    added.title = EditedText(in);
    added.exe = EditedText(in);
    added.enabled = in.ConsumeBool();
    const bool appended = store.Append(added);
    const std::vector<StoredRule> after = store.Load();
    Check(appended || (!before.empty() && before.back().keyName.ToInt() == kMaxRules - 1), "only a full store refuses");
    Check(after.size() == before.size() + (appended ? 1 : 0), "an append adds one rule");
    for (size_t i = 0; i < before.size() && i < after.size(); ++i)
        Check(SameText(after[i].keyName, before[i].keyName) && SameRaw(after[i].raw, before[i].raw),
              "an append touches no other rule");
    if (appended && !after.empty())
        Check(!after.back().rule.damaged && after.back().rule.SameAs(added), "the added rule loads as written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    fakereg::Reset(in.ConsumeBool());
    g_checkContext = fakereg::Dump;
    BuildStore(in);
    const RuleStore store(kProgramKey);

    const std::vector<StoredRule> first = store.Load();
    Check(fakereg::OpenHandles() == 0, "a load closes every key it opens");
    CheckLoaded(first);

    const std::vector<StoredRule> edited = Edited(first, in);
    Check(store.Save(edited), "a save into a working registry succeeds");
    const std::vector<StoredRule> second = store.Load();
    CheckLoaded(second);
    CheckSaved(edited, second);

    const std::string before = fakereg::Dump();
    Check(store.Save(second), "a save of the loaded list succeeds");
    Check(fakereg::Dump() == before, "a save with nothing changed writes nothing");
    Check(fakereg::OpenHandles() == 0, "a save closes every key it opens");
    CheckAppend(store, second, in);
    return 0;
}
