// The portable package: one folder holding the program where it expects to live.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <vector>

#include "e2e/Packages.h"

using namespace vbtest;

namespace {

// The entries of a zip file's central directory: name and unpacked size.
std::map<std::string, unsigned> ZipEntries(const std::string& path)
{
    std::map<std::string, unsigned> entries;
    std::vector<unsigned char> data;
    if (FILE* in = fopen(path.c_str(), "rb")) {
        unsigned char buffer[65536];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, in)) > 0;)
            data.insert(data.end(), buffer, buffer + n);
        fclose(in);
    }
    auto u16 = [&](size_t at) { return at + 2 <= data.size() ? unsigned(data[at] | data[at + 1] << 8) : 0u; };
    auto u32 = [&](size_t at) { return at + 4 <= data.size() ? u16(at) | u16(at + 2) << 16 : 0u; };
    size_t end = data.size() >= 22 ? data.size() - 22 : 0;
    while (end > 0 && u32(end) != 0x06054b50)
        --end;
    size_t at = u32(end + 16);
    for (unsigned i = 0, count = u16(end + 10); i < count && u32(at) == 0x02014b50; ++i) {
        const size_t nameLength = u16(at + 28);
        if (at + 46 + nameLength > data.size())
            break;
        entries[std::string(data.begin() + at + 46, data.begin() + at + 46 + nameLength)] = u32(at + 24);
        at += 46 + nameLength + u16(at + 30) + u16(at + 32);
    }
    return entries;
}

} // namespace

TEST(PortableZip, HoldsTheProgramItsLicenceAndAnEmptySettingsFileUnderOneFolder)
{
#ifndef VB_PACKAGES_BUILT
    GTEST_SKIP() << "this build makes no packages";
#endif
    std::map<std::string, unsigned> files;
    for (const auto& entry : ZipEntries(Package("-portable.zip")))
        if (entry.first.back() != '/')
            files.insert(entry);
    EXPECT_EQ(files.size(), 3u);
    const auto exe = files.find("WindowVeilbox/bin/Veilbox.exe");
    ASSERT_NE(exe, files.end());
    EXPECT_EQ(static_cast<long long>(exe->second), FileSize(BinDir() + "Veilbox.exe"));
    const auto licence = files.find("WindowVeilbox/license/license.txt");
    ASSERT_NE(licence, files.end());
    EXPECT_GT(licence->second, 0u);
    // Empty, beside the program: an unzipped copy keeps its settings in it from its first start.
    const auto ini = files.find("WindowVeilbox/bin/Veilbox.ini");
    ASSERT_NE(ini, files.end());
    EXPECT_EQ(ini->second, 0u);
}
