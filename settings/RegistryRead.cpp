#include "settings/RegistryRead.h"

#include <algorithm>

namespace {

// Size of the first try: most values and names fit at once.
constexpr DWORD kFirstTryBytes = 256;

RegistryReadProbe g_probe = nullptr;

void Probe(HKEY key, const char* name, int attempt)
{
    if (g_probe)
        g_probe(key, name, attempt);
}

// The size for the next try, after a try of current bytes that the registry answered with
// ERROR_MORE_DATA and a reported size: half again the reported size (a UTF-16 size becomes up to
// one and a half times as many UTF-8 bytes), at least twice the current size, never over cap.
DWORD NextSize(DWORD current, DWORD reported, DWORD cap)
{
    const unsigned long long wanted =
        std::max<unsigned long long>(reported + reported / 2ull + 2, current * 2ull);
    return static_cast<DWORD>(std::min<unsigned long long>(wanted, cap));
}

// The first buffer for a name of the key: the longest name RegQueryInfoKeyA reports (in
// characters, which under the UTF-8 code page may be UTF-16 units: half again for the bytes) and
// its zero, or the first-try size when the key cannot tell.
DWORD FirstNameSize(HKEY key, bool subKeys)
{
    DWORD longestKey = 0, longestValue = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &longestKey, nullptr, nullptr, &longestValue,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return kFirstTryBytes;
    const unsigned long long longest = subKeys ? longestKey : longestValue;
    const unsigned long long wanted = longest + longest / 2 + 2;
    return static_cast<DWORD>(std::min<unsigned long long>(std::max<unsigned long long>(wanted, kFirstTryBytes),
                                                          kRegistryMaxNameBytes));
}

// Runs read(buffer, &length) with a name buffer of first bytes that grows on ERROR_MORE_DATA;
// length is the buffer's size in characters going in and the name's length (without its zero)
// coming out. The enumerations report no size on ERROR_MORE_DATA, and the key's longest name may
// have grown since it was asked: the next try is made with the cap, which no name exceeds.
template <typename Read>
LONG ReadName(NString& name, DWORD first, Read read)
{
    std::vector<char> buffer;
    DWORD capacity = first;
    LONG result = ERROR_MORE_DATA;
    name = NString();
    for (int attempt = 0; attempt < kRegistryReadTries && result == ERROR_MORE_DATA; ++attempt) {
        buffer.assign(capacity, '\0');
        DWORD length = capacity;
        result = read(buffer.data(), &length);
        if (result == ERROR_SUCCESS) {
            name = NString(buffer.data(), std::min(length, capacity - 1));
            return result;
        }
        if (result == ERROR_MORE_DATA) {
            if (capacity >= kRegistryMaxNameBytes)
                break;
            capacity = kRegistryMaxNameBytes;
        }
    }
    return result;
}

}  // namespace

void SetRegistryReadProbe(RegistryReadProbe probe)
{
    g_probe = probe;
}

void WipeRegistryData(std::vector<BYTE>& data)
{
    // Growing into the capacity reallocates nothing, and every byte ever used is then covered.
    data.resize(data.capacity());
    if (!data.empty())
        SecureZeroMemory(data.data(), data.size());
    data.clear();
    data.shrink_to_fit();
}

LONG RegistryQueryValue(HKEY key, const char* name, DWORD* type, std::vector<BYTE>& data, DWORD maxBytes)
{
    DWORD capacity = std::max<DWORD>(1, std::min(kFirstTryBytes, maxBytes));
    LONG result = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < kRegistryReadTries && result == ERROR_MORE_DATA; ++attempt) {
        WipeRegistryData(data);
        data.assign(capacity, 0);
        Probe(key, name, attempt);
        DWORD found = REG_NONE;
        DWORD size = capacity;
        result = RegQueryValueExA(key, name, nullptr, &found, data.data(), &size);
        if (result == ERROR_SUCCESS) {
            data.resize(std::min(size, capacity));
            if (type)
                *type = found;
            return result;
        }
        if (result == ERROR_MORE_DATA) {
            if (capacity >= maxBytes)
                break;
            capacity = NextSize(capacity, size, maxBytes);
        }
    }
    WipeRegistryData(data);
    if (type)
        *type = REG_NONE;
    return result;
}

LONG RegistryEnumValue(HKEY key, DWORD index, NString& name, DWORD* type, std::vector<BYTE>* data, DWORD maxBytes)
{
    DWORD found = REG_NONE;
    int attempt = 0;
    LONG result = ReadName(name, FirstNameSize(key, false), [&](char* buffer, DWORD* length) {
        Probe(key, nullptr, attempt++);
        return RegEnumValueA(key, index, buffer, length, nullptr, &found, nullptr, nullptr);
    });
    // The data is read by name: its size is then reported by the read that fills it.
    if (result == ERROR_SUCCESS && data)
        result = RegistryQueryValue(key, name.Text(), &found, *data, maxBytes);
    if (result != ERROR_SUCCESS) {
        name = NString();
        found = REG_NONE;
        if (data)
            WipeRegistryData(*data);
    }
    if (type)
        *type = found;
    return result;
}

LONG RegistryEnumKey(HKEY key, DWORD index, NString& name)
{
    int attempt = 0;
    return ReadName(name, FirstNameSize(key, true), [&](char* buffer, DWORD* length) {
        Probe(key, nullptr, attempt++);
        return RegEnumKeyExA(key, index, buffer, length, nullptr, nullptr, nullptr, nullptr);
    });
}
