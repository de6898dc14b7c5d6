// The settings file as the program reads it at start, after any editor, a sync tool or a damaged
// disk had its hands on it (settings/IniText, settings/FileStore). The input is the whole file.
// Properties: the text of what was read reads back as the same keys and values (a second write
// writes the same text); every value read is answered by the store exactly; a change while the
// file cannot be written is answered from memory and leaves the file as it was, and the next
// write that can be made holds it with everything else and leaves no temporary file behind; a change
// while another hand changed the file and holds it is written, with the other's change, once the
// file reads whole; a line that does not parse is answered as unreadable; a file that could not be
// read is never replaced.
#include <string>

#include "FuzzSupport.h"
#include "settings/FileStore.h"
#include "settings/IniText.h"
#include "standin/FakeFiles.h"

namespace {

constexpr char kRoot[] = "Software\\Veilbox";
const std::wstring kFile = L"C:\\Portable\\Veilbox.ini";

bool SameDocument(const IniDocument& a, const IniDocument& b)
{
    return FormatIni(a, kRoot) == FormatIni(b, kRoot);
}

void CheckStoreAnswers(FileStore& store, const IniDocument& document)
{
    for (const IniKey& key : document) {
        Check(store.KeyExists(key.path.c_str()) == ERROR_SUCCESS, "every key read is there");
        for (const IniValue& value : key.values) {
            DWORD type = REG_NONE;
            std::vector<BYTE> data;
            const LONG result = store.QueryValue(key.path.c_str(), value.name.c_str(), &type, data, 1u << 24);
            if (!value.unread.empty()) {
                Check(value.name.empty() || result == ERROR_INVALID_DATA, "a line that did not parse is unreadable");
                continue;
            }
            Check(result == ERROR_SUCCESS && type == value.type && data == value.data,
                  "every value read is answered as read");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    const IniDocument document = ParseIni(text.data(), text.size(), kRoot);
    const std::string written = FormatIni(document, kRoot);
    const IniDocument again = ParseIni(written.data(), written.size(), kRoot);
    Check(SameDocument(document, again) && FormatIni(again, kRoot) == written, "what is written reads back the same");

    fakefs::Reset();
    fakefs::Put(kFile, text);
    FileStore store(kFile, kRoot);
    CheckStoreAnswers(store, document);

    const std::string record = "1a2b|4242|1|Class|Title \xCE\xA3\n\"x\"";
    const BYTE* data = reinterpret_cast<const BYTE*>(record.c_str());
    fakefs::FailWrites(true);
    Check(store.SetValue("Software\\Veilbox\\Held", "00000", REG_SZ, data, DWORD(record.size() + 1)) == ERROR_SUCCESS,
          "a change is kept in memory when the file cannot be written");
    std::string now;
    Check(fakefs::Get(kFile, now) && now == text && store.Unsaved(), "a failed write leaves the file as it was");
    std::vector<BYTE> read;
    DWORD type = REG_NONE;
    Check(store.QueryValue("Software\\Veilbox\\Held", "00000", &type, read, 1u << 20) == ERROR_SUCCESS &&
              read == std::vector<BYTE>(data, data + record.size() + 1),
          "memory answers the change the file lacks");

    fakefs::FailWrites(false);
    const DWORD one = 1;
    store.SetValue("Software\\Veilbox\\Interface", "IconPerWindow", REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
    Check(fakefs::Get(kFile, now) && !store.Unsaved() && fakefs::Count() == 1, "the next write is made whole");
    IniDocument saved = ParseIni(now.data(), now.size(), kRoot);
    const IniKey* held = FindIniKey(saved, "Software\\Veilbox\\Held");
    bool found = false;
    for (const IniValue& value : held ? held->values : std::vector<IniValue>())
        found = found || (value.name == "00000" && value.type == REG_SZ && value.data == read);
    Check(found, "the record written from memory is in the file");

    // Another program changes the file and holds it while a record is written: once it reads whole
    // again, the store's next use writes the other's change with the record.
    std::string after;
    fakefs::Put(kFile, now + "[Other]\r\nByHand=2\r\n");
    fakefs::FailReads(true);
    store.SetValue("Software\\Veilbox\\Held", "00003", REG_SZ, data, DWORD(record.size() + 1));
    Check(fakefs::Get(kFile, after) && after == now + "[Other]\r\nByHand=2\r\n" && store.Unsaved(),
          "a file changed and not read is left as it was");
    fakefs::FailReads(false);
    store.KeyExists("Software\\Veilbox\\Held");
    Check(fakefs::Get(kFile, after) && !store.Unsaved(), "the file is written once it reads whole");
    saved = ParseIni(after.data(), after.size(), kRoot);
    held = FindIniKey(saved, "Software\\Veilbox\\Held");
    found = false;
    for (const IniValue& value : held ? held->values : std::vector<IniValue>())
        found = found || (value.name == "00003" && value.data == read);
    Check(found && after.find("\r\nByHand=2\r\n") != std::string::npos,
          "the next write holds the other's change and the record made meanwhile");
    now = after;

    // A file that could not be read at start is never replaced: what was not read is not lost.
    fakefs::FailReads(true);
    FileStore unread(kFile, kRoot);
    fakefs::FailReads(false);
    unread.SetValue("Software\\Veilbox\\Held", "00001", REG_SZ, data, DWORD(record.size() + 1));
    Check(fakefs::Get(kFile, after) && after == now && unread.Unsaved() && fakefs::Count() == 1,
          "a file not read is left as it was");
    return 0;
}
