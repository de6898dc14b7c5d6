#include "winbase/FontStore.h"

#include <cstring>

#include <cstdint>

#include "settings/SettingsStore.h"
#include "text/NString.h"

namespace {

constexpr int kNumericFields = 13;
constexpr const char* kFieldNames[kNumericFields] = {
    "lfHeight",   "lfWidth",    "lfEscapement",   "lfOrientation",   "lfWeight",
    "lfItalic",   "lfUnderline", "lfStrikeOut",   "lfCharSet",       "lfOutPrecision",
    "lfClipPrecision", "lfQuality", "lfPitchAndFamily"};
constexpr char kColorValue[] = "ForeColor";
constexpr char kFaceValue[] = "lfFaceName";

void ToFields(const LOGFONTA& font, int32_t (&fields)[kNumericFields])
{
    const int32_t values[kNumericFields] = {
        font.lfHeight,       font.lfWidth,        font.lfEscapement,     font.lfOrientation,  font.lfWeight,
        font.lfItalic,       font.lfUnderline,    font.lfStrikeOut,      font.lfCharSet,      font.lfOutPrecision,
        font.lfClipPrecision, font.lfQuality,     font.lfPitchAndFamily};
    for (int i = 0; i < kNumericFields; ++i) {
        fields[i] = values[i];
    }
}

// The byte-sized fields take the low 8 bits of their values.
void FromFields(const int32_t (&fields)[kNumericFields], LOGFONTA& font)
{
    font.lfHeight = fields[0];
    font.lfWidth = fields[1];
    font.lfEscapement = fields[2];
    font.lfOrientation = fields[3];
    font.lfWeight = fields[4];
    BYTE* const bytes[] = {&font.lfItalic,       &font.lfUnderline,     &font.lfStrikeOut,
                           &font.lfCharSet,      &font.lfOutPrecision,  &font.lfClipPrecision,
                           &font.lfQuality,      &font.lfPitchAndFamily};
    for (int i = 0; i < 8; ++i) {
        *bytes[i] = static_cast<BYTE>(fields[5 + i] & 0xFF);
    }
}

}  // namespace

bool ReadFont(const SettingsKey& key, const char* name, LOGFONTA& font, COLORREF* color)
{
    SettingsKey sub(key, name);
    int32_t fields[kNumericFields] = {};
    for (int i = 0; i < kNumericFields; ++i) {
        if (!sub.ReadInt(kFieldNames[i], fields[i])) {
            return false;
        }
    }
    int32_t colorValue = 0;
    if (color && !sub.ReadInt(kColorValue, colorValue)) {
        return false;
    }
    // A face name longer than the font description holds is damage: cut, it could end inside a
    // UTF-8 character or name another face.
    NString face;
    if (!sub.ReadText(kFaceValue, face) || face.Length() > LF_FACESIZE - 1) {
        return false;
    }
    FromFields(fields, font);
    std::memcpy(font.lfFaceName, face.Text(), face.Length() + 1);
    if (color) {
        *color = static_cast<COLORREF>(colorValue);
    }
    return true;
}

bool WriteFont(const SettingsKey& key, const char* name, const LOGFONTA& font, const COLORREF* color)
{
    SettingsKey sub(key, name);
    // The fields are one change of the settings file, written once.
    const SettingsBatch batch;
    int32_t fields[kNumericFields] = {};
    ToFields(font, fields);
    for (int i = 0; i < kNumericFields; ++i) {
        if (!sub.WriteInt(kFieldNames[i], fields[i])) {
            return false;
        }
    }
    if (color && !sub.WriteInt(kColorValue, static_cast<int32_t>(*color))) {
        return false;
    }
    char face[LF_FACESIZE] = {};
    for (int i = 0; i < LF_FACESIZE - 1 && font.lfFaceName[i] != '\0'; ++i) {
        face[i] = font.lfFaceName[i];
    }
    return sub.WriteText(kFaceValue, face);
}
