#include "hotkeys/KeyNames.h"

#include "hotkeys/HotkeyTable.h"
#include "text/Texts.h"

namespace {

struct KeyNamePair {
    uint32_t code;
    const char* name;
};

// Ascending by code; the entry with code 0xFF and no name ends the walk.
constexpr KeyNamePair kKeyNames[] = {
    {0x01, "LBUTTON"},   {0x02, "RBUTTON"},   {0x03, "CANCEL"},    {0x04, "MBUTTON"},
    {0x08, "BACK"},      {0x09, "TAB"},       {0x0C, "CLEAR"},     {0x0D, "RETURN"},
    {0x10, "SHIFT"},     {0x11, "CONTROL"},   {0x12, "MENU"},      {0x13, "PAUSE"},
    {0x14, "CAPITAL"},   {0x1B, "ESCAPE"},    {0x20, "SPACE"},     {0x21, "PRIOR"},
    {0x22, "NEXT"},      {0x23, "END"},       {0x24, "HOME"},      {0x25, "LEFT"},
    {0x26, "UP"},        {0x27, "RIGHT"},     {0x28, "DOWN"},      {0x29, "SELECT"},
    {0x2A, "PRINT"},     {0x2B, "EXECUTE"},   {0x2C, "SNAPSHOT"},  {0x2D, "INSERT"},
    {0x2E, "DELETE"},    {0x2F, "HELP"},      {0x5B, "LWIN"},      {0x5C, "RWIN"},
    {0x5D, "APPS"},
    {0x60, "NUMPAD0"},   {0x61, "NUMPAD1"},   {0x62, "NUMPAD2"},   {0x63, "NUMPAD3"},
    {0x64, "NUMPAD4"},   {0x65, "NUMPAD5"},   {0x66, "NUMPAD6"},   {0x67, "NUMPAD7"},
    {0x68, "NUMPAD8"},   {0x69, "NUMPAD9"},
    {0x6A, "MULTIPLY"},  {0x6B, "ADD"},       {0x6C, "SEPARATOR"}, {0x6D, "SUBTRACT"},
    {0x6E, "DECIMAL"},   {0x6F, "DIVIDE"},
    {0x70, "F1"},        {0x71, "F2"},        {0x72, "F3"},        {0x73, "F4"},
    {0x74, "F5"},        {0x75, "F6"},        {0x76, "F7"},        {0x77, "F8"},
    {0x78, "F9"},        {0x79, "F10"},       {0x7A, "F11"},       {0x7B, "F12"},
    {0x7C, "F13"},       {0x7D, "F14"},       {0x7E, "F15"},       {0x7F, "F16"},
    {0x80, "F17"},       {0x81, "F18"},       {0x82, "F19"},       {0x83, "F20"},
    {0x84, "F21"},       {0x85, "F22"},       {0x86, "F23"},       {0x87, "F24"},
    {0x90, "NUMLOCK"},   {0x91, "SCROLL"},
    {0xA0, "LSHIFT"},    {0xA1, "RSHIFT"},    {0xA2, "LCONTROL"},  {0xA3, "RCONTROL"},
    {0xA4, "LMENU"},     {0xA5, "RMENU"},     {0xE5, "PROCESSKEY"},
    {0xF6, "VK_ATTN"},   {0xF7, "VK_CRSEL"},  {0xF8, "VK_EXSEL"},  {0xF9, "VK_EREOF"},
    {0xFA, "VK_PLAY"},   {0xFB, "VK_ZOOM"},   {0xFC, "VK_NONAME"}, {0xFD, "VK_PA1"},
    {0xFE, "VK_OEM_CLEAR"},
    {0xFF, nullptr},
};

// What the key cap of an unnamed key shows in the thread's keyboard layout
// (";" for the first punctuation key of a US keyboard, "Ü" on a German one),
// or else the layout's name of the key, or else its code ("0xB3").
NString KeyCapText(uint32_t key)
{
    const UINT character = MapVirtualKeyW(key, MAPVK_VK_TO_CHAR) & 0xFFFF; // the top bit marks a dead key
    if (character >= 0x20 && character != 0x7F) {
        wchar_t cap[2] = {static_cast<wchar_t>(character), L'\0'};
        CharUpperW(cap);
        const NString text = NString::FromWide(cap);
        if (!text.IsEmpty())
            return text;
    }
    wchar_t name[64] = {};
    const UINT scanCode = MapVirtualKeyW(key, MAPVK_VK_TO_VSC_EX); // 0xE0.. for an extended key
    const LONG keyData = static_cast<LONG>(((scanCode & 0xFF) << 16) | ((scanCode & 0xFF00) ? 1u << 24 : 0u));
    if (scanCode != 0 && GetKeyNameTextW(keyData, name, 64) > 0) {
        const NString text = NString::FromWide(name);
        if (!text.IsEmpty())
            return text;
    }
    return NString::Format("0x%02X", key);
}

// Each modifier by its name in the language in use (Strg, Umschalt, Maj...), then '+'.
NString ComboText(const HotkeyRecord& record, bool shiftBeforeAlt)
{
    NString text("");
    const auto modifier = [&text](Tx name) {
        text.Append(T(name));
        text.Append('+');
    };
    if (record.ctrl)
        modifier(Tx::KeyCtrl);
    if (shiftBeforeAlt && record.shift)
        modifier(Tx::KeyShift);
    if (record.alt)
        modifier(Tx::KeyAlt);
    if (!shiftBeforeAlt && record.shift)
        modifier(Tx::KeyShift);
    text.Append(RecordKeyName(record));
    return text;
}

} // namespace

NString KeyName(uint32_t code)
{
    for (const KeyNamePair* pair = kKeyNames; pair->code != 0xFF; ++pair) {
        if (pair->code == code)
            return NString(pair->name);
    }
    // A byte from 0x80 up is no character of UTF-8, the program's code page.
    if ((code & 0xFF) >= 0x80)
        return KeyCapText(code & 0xFF);
    // Returned by value, so one lookup never overwrites another's text.
    const char single[2] = {static_cast<char>(code & 0xFF), '\0'};
    return NString(single);
}

NString RecordKeyName(const HotkeyRecord& record)
{
    return KeyName(record.key);
}

NString HotkeyText(const HotkeyRecord& record)
{
    return ComboText(record, false);
}

NString BindingText(const HotkeyRecord& record)
{
    return ComboText(record, true);
}
