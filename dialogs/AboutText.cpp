#include "dialogs/AboutText.h"

#include <cstring>
#include <vector>

#include "winbase/ScopedHandles.h"

namespace {

class MappedView {
public:
    explicit MappedView(const void* view) : m_view(view) {}
    ~MappedView()
    {
        if (m_view) {
            UnmapViewOfFile(m_view);
        }
    }
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    const char* Bytes() const { return static_cast<const char*>(m_view); }

private:
    const void* m_view;
};

bool IsZeroComponent(const char* begin, const char* end)
{
    for (const char* p = begin; p < end; ++p) {
        if (*p != '0') {
            return false;
        }
    }
    return true;
}

}  // namespace

NString RunTimeText(uint64_t milliseconds)
{
    const uint64_t s = milliseconds / 1000;
    const uint64_t m = s / 60;
    const uint64_t h = m / 60;
    const uint64_t d = h / 24;
    return NString::Format("%ud:%02uh:%02um:%02us", static_cast<unsigned>(d), static_cast<unsigned>(h - 24 * d),
                           static_cast<unsigned>(m - 60 * h), static_cast<unsigned>(s - 60 * m));
}

NString MemoryText(uint64_t bytes)
{
    return NString::Format("%uMB", static_cast<unsigned>(bytes >> 20));
}

NString NormaliseVersion(const NString& version)
{
    NString text = version;
    text.ReplaceAll(",", ".").ReplaceAll(" ", "");
    for (;;) {
        const char* dot = std::strrchr(text.Text() ? text.Text() : "", '.');
        if (!dot || !IsZeroComponent(dot + 1, text.Text() + text.Length())) {
            return text;
        }
        text = NString(text.Text(), static_cast<uint32_t>(dot - text.Text()));
    }
}

NString AboutTitle(const NString& productName, const NString& version)
{
    NString title(productName.IsNull() ? "" : productName.Text());
    title += " ";
    title += version;
    return title;
}

WString MakerLinkTarget(const wchar_t* site, const NString& title)
{
    NString query = title;
    query.ReplaceAll(" ", "%20");
    WString target(site);
    target += L"?";
    target += WString::FromNarrow(query.Text());
    return target;
}

WString SupportLinkTarget(const wchar_t* address, const NString& productName)
{
    WString target(address);
    target += L"?subject=";
    target += WString::FromNarrow(productName.Text());
    return target;
}

NString VersionString(const char* file, const char* name)
{
    DWORD ignored = 0;
    const DWORD size = file ? GetFileVersionInfoSizeA(file, &ignored) : 0;
    if (size == 0) {
        return NString();
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(file, 0, size, block.data())) {
        return NString();
    }
    const NString subBlock = NString("\\StringFileInfo\\040904B0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), subBlock.Text(), &value, &length) || !value) {
        return NString();
    }
    return NString(static_cast<const char*>(value), length);
}

WString TextFromBytes(const char* bytes, std::size_t count)
{
    if (!bytes) {
        return WString();
    }
    const void* zero = std::memchr(bytes, 0, count);
    const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : count;
    if (length == 0 || length > 0x7FFFFFFF) {
        return WString();
    }
    const int n = static_cast<int>(length);
    const int needed = MultiByteToWideChar(CP_ACP, 0, bytes, n, nullptr, 0);
    if (needed <= 0) {
        return WString();
    }
    std::vector<wchar_t> wide(static_cast<std::size_t>(needed) + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, n, wide.data(), needed);
    return WString(wide.data(), static_cast<uint32_t>(needed));
}

WString ReadTextFile(const char* path)
{
    const OwnedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return WString();
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > 0x7FFFFFFF) {
        return WString();
    }
    const OwnedHandle mapping(CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) {
        return WString();
    }
    MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    return TextFromBytes(view.Bytes(), static_cast<std::size_t>(size.QuadPart));
}
