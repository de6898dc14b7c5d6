#include "app/command/CommandWire.h"

#include <cstring>

namespace {

constexpr uint32_t kRequestMagic = 0x32715642;       // "BVq2": with the command's wait
constexpr uint32_t kOlderRequestMagic = 0x31715642;  // "BVq1": without
constexpr uint32_t kReplyMagic = 0x32705642;       // "BVp2": with a 64-bit serial
constexpr uint32_t kOlderReplyMagic = 0x31705642;  // "BVp1": with a 32-bit one
constexpr uint32_t kActiveFlag = 1;

class Writer {
public:
    void U32(uint32_t value) { Bytes(&value, sizeof value); }
    void U64(uint64_t value) { Bytes(&value, sizeof value); }
    void Handle(HWND window) { U64(static_cast<uint64_t>(reinterpret_cast<UINT_PTR>(window))); }
    // Cut to kMaxWireText bytes, never inside a character.
    void Text(const NString& text)
    {
        uint32_t length = text.IsNull() ? 0 : text.Length();
        if (length > kMaxWireText) {
            length = kMaxWireText;
            while (length > 0 && (static_cast<unsigned char>(text.Text()[length]) & 0xC0) == 0x80)
                --length;
        }
        U32(length);
        Bytes(length ? text.Text() : "", length);
        m_data.push_back('\0');
    }
    std::vector<char> Take() { return std::move(m_data); }

private:
    void Bytes(const void* data, size_t size)
    {
        const char* bytes = static_cast<const char*>(data);
        m_data.insert(m_data.end(), bytes, bytes + size);
    }
    std::vector<char> m_data;
};

class Reader {
public:
    Reader(const void* data, DWORD size) : m_next(static_cast<const char*>(data)), m_left(data ? size : 0) {}

    uint32_t U32()
    {
        uint32_t value = 0;
        Bytes(&value, sizeof value);
        return value;
    }
    uint64_t U64()
    {
        uint64_t value = 0;
        Bytes(&value, sizeof value);
        return value;
    }
    HWND Handle()
    {
        const uint64_t value = U64();
        if (value > static_cast<uint64_t>(UINTPTR_MAX))
            m_ok = false;
        return reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
    }
    NString Text()
    {
        const uint32_t length = U32();
        if (!m_ok || length > kMaxWireText || m_left < static_cast<size_t>(length) + 1 || m_next[length] != '\0' ||
            std::memchr(m_next, '\0', length) != nullptr || !IsUtf8(m_next, length)) {
            m_ok = false;
            return NString("");
        }
        NString text(m_next, length);
        m_next += length + 1;
        m_left -= length + 1;
        return text;
    }
    // True when every read fitted and nothing is left over.
    bool Done() const { return m_ok && m_left == 0; }
    bool Ok() const { return m_ok; }

private:
    static bool IsUtf8(const char* text, uint32_t length)
    {
        return length == 0 ||
               MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, static_cast<int>(length), nullptr, 0) > 0;
    }
    void Bytes(void* out, size_t size)
    {
        if (!m_ok || m_left < size) {
            m_ok = false;
            return;
        }
        std::memcpy(out, m_next, size);
        m_next += size;
        m_left -= size;
    }

    const char* m_next;
    size_t m_left;
    bool m_ok = true;
};

// The verb's rules for the fields it takes.
bool FitsVerb(const WireRequest& r)
{
    switch (r.verb) {
    case WireVerb::Hide:
    case WireVerb::Show:
    case WireVerb::Toggle:
        return !r.criteria.IsEmpty() && r.launchedId == 0 && r.timeoutMs == 0;
    case WireVerb::ShowAll:
    case WireVerb::List:
        return r.criteria.IsEmpty() && r.launchedId == 0 && r.timeoutMs == 0;
    case WireVerb::Watch:
        return r.criteria.IsEmpty() && r.launchedId != 0 && r.launchedCreated != 0 && r.timeoutMs != 0 &&
               r.timeoutMs <= kMaxWatchMs;
    }
    return false;
}

} // namespace

std::vector<char> EncodeRequest(const WireRequest& r)
{
    Writer out;
    out.U32(r.waitMs ? kRequestMagic : kOlderRequestMagic);
    out.U32(static_cast<uint32_t>(r.verb));
    if (r.waitMs)
        out.U64(r.serial);
    else
        out.U32(static_cast<uint32_t>(r.serial));
    out.U32(r.criteria.active ? kActiveFlag : 0);
    out.Handle(r.replyTo);
    out.Handle(r.foreground);
    out.Handle(r.criteria.window);
    out.U32(r.criteria.processId);
    out.U32(r.launchedId);
    out.U64(r.launchedCreated);
    out.U32(r.timeoutMs);
    if (r.waitMs)
        out.U32(r.waitMs);
    for (const NString* text : {&r.criteria.title, &r.criteria.titleLike, &r.criteria.className, &r.criteria.exe})
        out.Text(*text);
    return out.Take();
}

bool DecodeRequest(const void* data, DWORD size, WireRequest& r)
{
    Reader in(data, size);
    const uint32_t magic = in.U32();
    if (magic != kRequestMagic && magic != kOlderRequestMagic)
        return false;
    const uint32_t verb = in.U32();
    r.verb = static_cast<WireVerb>(verb);
    r.serial = magic == kRequestMagic ? in.U64() : in.U32();
    const uint32_t flags = in.U32();
    r.criteria = WindowCriteria();
    r.criteria.active = (flags & kActiveFlag) != 0;
    r.replyTo = in.Handle();
    r.foreground = in.Handle();
    r.criteria.window = in.Handle();
    r.criteria.processId = in.U32();
    r.launchedId = in.U32();
    r.launchedCreated = in.U64();
    r.timeoutMs = in.U32();
    r.waitMs = magic == kRequestMagic ? in.U32() : 0;
    for (NString* text : {&r.criteria.title, &r.criteria.titleLike, &r.criteria.className, &r.criteria.exe})
        *text = in.Text();
    const bool waitFits = magic == kOlderRequestMagic || (r.waitMs != 0 && r.waitMs <= kMaxWaitMs);
    return in.Done() && verb >= static_cast<uint32_t>(WireVerb::Hide) && verb <= static_cast<uint32_t>(WireVerb::Toggle) &&
           (flags & ~kActiveFlag) == 0 && r.replyTo && waitFits && FitsVerb(r);
}

std::vector<char> EncodeReply(const WireReply& reply)
{
    Writer out;
    out.U32(reply.older ? kOlderReplyMagic : kReplyMagic);
    if (reply.older)
        out.U32(static_cast<uint32_t>(reply.serial));
    else
        out.U64(reply.serial);
    out.U32(static_cast<uint32_t>(reply.status));
    out.U32(reply.refused);
    const size_t count = reply.windows.size() < kMaxReplyWindows ? reply.windows.size() : kMaxReplyWindows;
    out.U32(static_cast<uint32_t>(count));
    for (size_t i = 0; i < count; ++i) {
        const WindowReport& window = reply.windows[i];
        out.Handle(window.window);
        out.U32(window.processId);
        out.Text(window.exe);
        out.Text(window.className);
        out.Text(window.title);
    }
    return out.Take();
}

bool DecodeReply(const void* data, DWORD size, WireReply& reply)
{
    Reader in(data, size);
    const uint32_t magic = in.U32();
    if (magic != kReplyMagic && magic != kOlderReplyMagic)
        return false;
    reply.older = magic == kOlderReplyMagic;
    reply.serial = reply.older ? in.U32() : in.U64();
    const uint32_t status = in.U32();
    reply.status = static_cast<ReplyStatus>(status);
    reply.refused = in.U32();
    const uint32_t count = in.U32();
    const ReplyStatus last = reply.older ? ReplyStatus::Begun : ReplyStatus::NotHidden;
    if (status > static_cast<uint32_t>(last) || count > kMaxReplyWindows)
        return false;
    reply.windows.clear();
    for (uint32_t i = 0; i < count && in.Ok(); ++i) {
        WindowReport window;
        window.window = in.Handle();
        window.processId = in.U32();
        window.exe = in.Text();
        window.className = in.Text();
        window.title = in.Text();
        reply.windows.push_back(window);
    }
    return in.Done();
}
