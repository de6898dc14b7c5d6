// The WM_COPYDATA request and reply of a command, as any program can send them. Whatever the
// bytes, decoding must not fault, and a message it accepts must be exactly what encoding its
// result gives back (so decode -> encode -> decode is the same request or reply), in the current
// layout (with the command's wait) and the older one alike; a request built from any fields is
// written in the layout its wait asks for and decodes to itself when it is sound; and a reply
// built from any texts must decode to what was encoded.
#include "app/command/CommandWire.h"
#include "FuzzSupport.h"

namespace {

bool SameRequest(const WireRequest& a, const WireRequest& b)
{
    const WindowCriteria &x = a.criteria, &y = b.criteria;
    return a.verb == b.verb && a.serial == b.serial && a.replyTo == b.replyTo && a.foreground == b.foreground &&
           a.launchedId == b.launchedId && a.launchedCreated == b.launchedCreated && a.timeoutMs == b.timeoutMs &&
           a.waitMs == b.waitMs &&
           x.active == y.active && x.window == y.window && x.processId == y.processId && SameText(x.title, y.title) &&
           SameText(x.titleLike, y.titleLike) && SameText(x.className, y.className) && SameText(x.exe, y.exe);
}

bool SameReply(const WireReply& a, const WireReply& b)
{
    if (a.serial != b.serial || a.status != b.status || a.older != b.older || a.refused != b.refused ||
        a.windows.size() != b.windows.size())
        return false;
    for (size_t i = 0; i < a.windows.size(); ++i) {
        const WindowReport &x = a.windows[i], &y = b.windows[i];
        if (x.window != y.window || x.processId != y.processId || !SameText(x.exe, y.exe) ||
            !SameText(x.className, y.className) || !SameText(x.title, y.title))
            return false;
    }
    return true;
}

void DecodedBytes(const uint8_t* data, size_t size)
{
    const std::vector<char> input(data, data + size);
    WireRequest request;
    if (DecodeRequest(input.data(), static_cast<DWORD>(size), request)) {
        const std::vector<char> encoded = EncodeRequest(request);
        Check(encoded == input, "an accepted request encodes back to its own bytes");
        WireRequest again;
        Check(DecodeRequest(encoded.data(), static_cast<DWORD>(encoded.size()), again), "re-encoded request decodes");
        Check(SameRequest(request, again), "decode -> encode -> decode gives the same request");
        Check((request.waitMs != 0) == (std::memcmp(data, "BVq2", 4) == 0), "only the current layout carries a wait");
    }
    WireReply reply;
    if (DecodeReply(input.data(), static_cast<DWORD>(size), reply)) {
        const std::vector<char> encoded = EncodeReply(reply);
        Check(encoded == input, "an accepted reply encodes back to its own bytes");
        WireReply again;
        Check(DecodeReply(encoded.data(), static_cast<DWORD>(encoded.size()), again), "re-encoded reply decodes");
        Check(SameReply(reply, again), "decode -> encode -> decode gives the same reply");
    }
    // Every shorter message (a sender that cut it) is refused or decodes on its own terms.
    if (size > 0) {
        WireRequest cut;
        DecodeRequest(input.data(), static_cast<DWORD>(size - 1), cut);
    }
}

// Valid UTF-8 text, possibly longer than the wire carries: the encoder cuts it whole characters
// at a time, so the reply still decodes.
NString Utf8Text(FuzzedDataProvider& in)
{
    const std::u16string units = Units(in, in.ConsumeBool() ? 40000 : 16, false);
    const std::wstring wide(units.begin(), units.end());
    NString text = NString::FromWide(wide.c_str(), 0, CP_UTF8);
    return text.IsNull() ? NString("") : text;
}

// A request from any fields: the current layout when it has a wait, the older one without (8
// bytes shorter: no wait, a 32-bit serial); what decodes is the request encoded (its serial cut
// to 32 bits in the older layout), and a wait beyond kMaxWaitMs never decodes.
void EncodedRequest(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    WireRequest request;
    request.verb = static_cast<WireVerb>(in.ConsumeIntegralInRange<uint32_t>(1, 5));
    request.serial = in.ConsumeIntegral<uint64_t>();
    request.replyTo = reinterpret_cast<HWND>(in.ConsumeIntegralInRange<uintptr_t>(0, 3));
    request.criteria.active = in.ConsumeBool();
    request.criteria.window = reinterpret_cast<HWND>(in.ConsumeIntegralInRange<uintptr_t>(0, 2));
    request.criteria.title = Utf8Text(in);
    request.launchedId = in.ConsumeIntegralInRange<DWORD>(0, 2);
    request.launchedCreated = in.ConsumeIntegralInRange<uint64_t>(0, 2);
    request.timeoutMs = in.ConsumeBool() ? 0 : in.ConsumeIntegralInRange<uint32_t>(0, kMaxWatchMs + 1);
    request.waitMs = in.ConsumeBool() ? 0 : in.ConsumeIntegralInRange<uint32_t>(0, kMaxWaitMs + 1);
    const std::vector<char> encoded = EncodeRequest(request);
    Check(std::memcmp(encoded.data(), request.waitMs ? "BVq2" : "BVq1", 4) == 0, "the wait picks the layout");
    WireRequest older = request;
    older.waitMs = 0;
    Check(EncodeRequest(older).size() + (request.waitMs ? 8 : 0) == encoded.size(),
          "the older layout is the current one without its wait and with a 32-bit serial");
    WireRequest expected = request;
    if (!request.waitMs)
        expected.serial &= 0xFFFFFFFFu;
    WireRequest decoded;
    if (DecodeRequest(encoded.data(), static_cast<DWORD>(encoded.size()), decoded)) {
        Check(request.criteria.title.Length() > kMaxWireText || SameRequest(expected, decoded),
              "a sound request decodes to itself");
        Check(request.waitMs <= kMaxWaitMs, "a wait beyond the longest is refused");
    }
}

void EncodedReply(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    WireReply reply;
    reply.older = in.ConsumeBool();
    reply.serial = in.ConsumeIntegral<uint64_t>();
    // The older layout knows the statuses up to Begun.
    reply.status = static_cast<ReplyStatus>(in.ConsumeIntegralInRange<uint32_t>(0, reply.older ? 3 : 5));
    reply.refused = in.ConsumeIntegral<uint32_t>();
    const size_t count = in.ConsumeIntegralInRange<size_t>(0, 4);
    for (size_t i = 0; i < count; ++i) {
        WindowReport window;
        window.window = reinterpret_cast<HWND>(in.ConsumeIntegral<uintptr_t>());
        window.processId = in.ConsumeIntegral<DWORD>();
        window.exe = Utf8Text(in);
        window.className = Utf8Text(in);
        window.title = Utf8Text(in);
        reply.windows.push_back(window);
    }
    const std::vector<char> encoded = EncodeReply(reply);
    WireReply decoded;
    Check(DecodeReply(encoded.data(), static_cast<DWORD>(encoded.size()), decoded), "an encoded reply decodes");
    Check(decoded.windows.size() == reply.windows.size(), "every window of a reply arrives");
    Check(decoded.older == reply.older && decoded.status == reply.status &&
              decoded.serial == (reply.older ? reply.serial & 0xFFFFFFFFu : reply.serial),
          "a reply keeps its layout, status and serial (32 bits in the older layout)");
    for (size_t i = 0; i < count; ++i) {
        const NString& sent = reply.windows[i].title;
        const NString& got = decoded.windows[i].title;
        Check(got.Length() <= kMaxWireText && got.Length() <= sent.Length() &&
                  std::memcmp(got.Text(), sent.Text(), got.Length()) == 0,
              "a long title arrives cut, as a prefix of itself");
        Check(sent.Length() > kMaxWireText || got.Length() == sent.Length(), "a title that fits arrives whole");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodedBytes(data, size);
    EncodedRequest(data, size);
    EncodedReply(data, size);
    return 0;
}
