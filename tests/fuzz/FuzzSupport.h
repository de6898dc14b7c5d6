// What the fuzz targets share: a property check that stops the run with its name, and texts made
// from the fuzzer's bytes that reach the interesting characters quickly (ASCII, wildcards,
// accented, CJK of three UTF-8 bytes, emoji of a surrogate pair, lone surrogates, zeros).
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "text/NString.h"

// Set by a target to describe its state when a property breaks (the registry's contents).
inline std::string (*g_checkContext)() = nullptr;

inline void Check(bool condition, const char* what)
{
    if (!condition) {
        if (g_checkContext)
            std::fprintf(stderr, "%s\n", g_checkContext().c_str());
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

inline bool SameText(const NString& a, const NString& b)
{
    return a.Length() == b.Length() &&
           std::memcmp(a.IsNull() ? "" : a.Text(), b.IsNull() ? "" : b.Text(), a.Length()) == 0;
}

// UTF-16 units, up to maxUnits. withFaults: lone surrogates and zeros may occur, as in data
// another program stored.
inline std::u16string Units(FuzzedDataProvider& in, size_t maxUnits, bool withFaults)
{
    static const char16_t kSample[] = {u'a', u'Z', u'0', u'*', u'?', u' ', u'\\', 0xE9, 0x3A3, 0x3C3,
                                       0x6771, 0x4EAC, 0xFF21, 0xFF41, 0xD83D, 0xDE00, 0, 0xDC00};
    const size_t count = in.ConsumeIntegralInRange<size_t>(0, maxUnits);
    std::u16string units;
    for (size_t i = 0; i < count && in.remaining_bytes(); ++i) {
        const uint16_t pick = in.ConsumeIntegral<uint16_t>();
        char16_t unit = pick < 0xC000 ? kSample[pick % (withFaults ? 18 : 14)] : static_cast<char16_t>(pick);
        if (!withFaults && (unit == 0 || (unit >= 0xD800 && unit <= 0xDFFF)))
            unit = u'x';
        units += unit;
        if (pick < 0xC000 && unit == 0xD83D && pick % 3)
            units += static_cast<char16_t>(0xDE00);
    }
    return units;
}
