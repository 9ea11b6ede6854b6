// File-type registration: through the preferences sheet of a running LumenKorvo.exe into
// HKEY_CLASSES_ROOT, and in this process with a classes root that refuses writes.
#include <windows.h>
#include <prsht.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/win32/file_types.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

using namespace korvo::win;

constexpr int kWaitMs = 8000;
constexpr char kTestRoot[] = "Software\\LumenKorvoFileTypeTest";

struct Value {
    bool present = false;
    std::string text;
    DWORD bytes = 0;
};

// The byte count as written: Wine's RegQueryValueExA (and its RegSetValueExA) add a
// terminator to a text stored without one, so one more byte ending in zero counts too.
bool textBytes(const Value& v, size_t length) {
    return v.bytes == length || (v.bytes == length + 1 && v.text.size() == length);
}

Value readValue(HKEY root, const std::string& key, const char* name = nullptr) {
    Value v;
    HKEY k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return v;
    char data[1024] = {};
    DWORD size = sizeof data - 1, type = 0;
    if (RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
        v.present = true;
        v.bytes = size;
        v.text = data;
    }

    RegCloseKey(k);
    return v;
}

// Takes the message box of that title (of this or another process), gives its text.
std::string takeBox(DWORD pid, const char* title) {
    HWND box = nullptr;
    if (!waitUntil([&] { return (box = findDialog(pid, title)) != nullptr; }, kWaitMs)) return "";
    std::string text = dialogText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    waitUntil([&] { return !IsWindow(box); }, 3000);
    return text;
}

// What the extension keys held, given back afterwards; the type keys are removed.
class ClassesBackup {
public:
    ClassesBackup() {
        for (const char* e : kAudioExtensions) saved_.push_back({e, readValue(HKEY_CLASSES_ROOT, e)});
        for (const char* e : kPlaylistExtensions) saved_.push_back({e, readValue(HKEY_CLASSES_ROOT, e)});
        typesExisted_ = readValue(HKEY_CLASSES_ROOT, kAudioFileType).present;
    }
    ~ClassesBackup() {
        for (const auto& [ext, v] : saved_) {
            if (v.present) RegSetValueA(HKEY_CLASSES_ROOT, ext.c_str(), REG_SZ, v.text.c_str(), DWORD(v.text.size()));
            else RegDeleteTreeA(HKEY_CLASSES_ROOT, ext.c_str());
        }
        if (!typesExisted_) {
            RegDeleteTreeA(HKEY_CLASSES_ROOT, kAudioFileType);
            RegDeleteTreeA(HKEY_CLASSES_ROOT, kPlaylistFileType);
        }
    }

private:
    std::vector<std::pair<std::string, Value>> saved_;
    bool typesExisted_ = false;
};

TEST(PrefsFileTypes, RegisterButtonWritesTheClassesKeys) {
    ClassesBackup backup;
    ProgramFolder folder("filetypes");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    p.command(IDM_PREFERENCES);
    HWND sheet = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (sheet = findDialog(p.pid(), kPreferencesCaption)) != nullptr; }, kWaitMs));
    SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    HWND general = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    PostMessageA(general, WM_COMMAND, MAKEWPARAM(IDC_GEN_REGISTER, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(general, IDC_GEN_REGISTER)));
    EXPECT_EQ(takeBox(p.pid(), kRegisterTitle), kRegisteredText);

    const std::string exe = folder.exe();
    for (const char* e : kAudioExtensions) {
        Value v = readValue(HKEY_CLASSES_ROOT, e);
        EXPECT_EQ(v.text, kAudioFileType) << e;
        EXPECT_TRUE(textBytes(v, std::strlen(kAudioFileType))) << e << ": " << v.bytes;
    }
    for (const char* e : kPlaylistExtensions) EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, e).text, kPlaylistFileType) << e;
    const std::string audio = kAudioFileType;
    Value icon = readValue(HKEY_CLASSES_ROOT, audio + "\\" + kDefaultIconKey);
    EXPECT_EQ(icon.text, exe + ",13");
    EXPECT_TRUE(textBytes(icon, (exe + ",13").size())) << icon.bytes;
    Value command = readValue(HKEY_CLASSES_ROOT, audio + "\\Shell\\open\\command");
    const std::string expected = "\"" + exe + "\" \"%1\"";
    EXPECT_EQ(command.text, expected);
    EXPECT_TRUE(textBytes(command, expected.size())) << command.bytes;
    Value shell = readValue(HKEY_CLASSES_ROOT, audio + "\\Shell");
    EXPECT_TRUE(shell.present);
    EXPECT_TRUE(textBytes(shell, 0)) << shell.bytes;
    EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, std::string(kPlaylistFileType) + "\\" + kDefaultIconKey).text, exe + ",14");
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

// Runs the registration here, with the given roots, and takes its box.
std::pair<int, std::string> registerHere(HKEY classes, HKEY user) {
    std::string text;
    std::thread taker([&] { text = takeBox(GetCurrentProcessId(), kRegisterTitle); });
    int ok = registerFileTypes(nullptr, classes, user);
    taker.join();
    return {ok, text};
}

TEST(PrefsFileTypes, RefusedClassesFallBackToTheUserAndElseTheUserIsTold) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
    const std::string refusingName = std::string(kTestRoot) + "\\refusing", userName = std::string(kTestRoot) + "\\user";
    HKEY refusing, user;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, userName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user, nullptr),
              ERROR_SUCCESS);
    // A volatile key takes no lasting subkeys: a root that refuses every write.
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, refusingName.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &refusing, nullptr),
              ERROR_SUCCESS);
    HKEY probe;
    if (RegCreateKeyExA(refusing, "probe", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &probe, nullptr) == ERROR_SUCCESS) {
        RegCloseKey(probe);
        RegCloseKey(refusing);
        RegCloseKey(user);
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
        GTEST_SKIP() << "a volatile key takes lasting subkeys here";
    }

    auto [ok, text] = registerHere(refusing, user);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(text, kRegisteredText);
    EXPECT_EQ(readValue(user, ".mp3").text, kAudioFileType);
    EXPECT_EQ(readValue(user, ".m3u").text, kPlaylistFileType);
    EXPECT_FALSE(readValue(refusing, ".mp3").present);
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    EXPECT_EQ(readValue(user, std::string(kAudioFileType) + "\\Shell\\open\\command").text,
              "\"" + std::string(exe) + "\" \"%1\"");

    auto [refused, refusedText] = registerHere(refusing, refusing);
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(refusedText, kRegisterRefusedText);
    RegCloseKey(refusing);
    RegCloseKey(user);
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
}

bool sameIcon(HICON a, HICON b) {
    ICONINFO ia{}, ib{};
    if (!GetIconInfo(a, &ia) || !GetIconInfo(b, &ib)) return false;
    auto bits = [](HBITMAP bm) {
        BITMAP info{};
        GetObjectA(bm, sizeof info, &info);
        std::vector<char> data(size_t(info.bmWidthBytes) * size_t(info.bmHeight));
        GetBitmapBits(bm, LONG(data.size()), data.data());
        return data;
    };
    bool same = bits(ia.hbmColor) == bits(ib.hbmColor) && bits(ia.hbmMask) == bits(ib.hbmMask);
    for (HBITMAP bm : {ia.hbmColor, ia.hbmMask, ib.hbmColor, ib.hbmMask})
        if (bm) DeleteObject(bm);
    return same;
}

TEST(PrefsFileTypes, IconThirteenIsTheAudioDocumentIcon) {
    ProgramFolder folder("filetypes_icon");
    HICON byIndex = nullptr, byAudioId = nullptr, byListId = nullptr;
    ASSERT_EQ(ExtractIconExA(folder.exe().c_str(), kAudioFileIcon, &byIndex, nullptr, 1), 1u);
    ASSERT_EQ(ExtractIconExA(folder.exe().c_str(), -IDI_DOC_AUDIO, &byAudioId, nullptr, 1), 1u);
    ASSERT_EQ(ExtractIconExA(folder.exe().c_str(), -IDI_DOC_PLAYLIST, &byListId, nullptr, 1), 1u);
    EXPECT_TRUE(sameIcon(byIndex, byAudioId));
    EXPECT_FALSE(sameIcon(byIndex, byListId));
    DestroyIcon(byIndex);
    DestroyIcon(byAudioId);
    DestroyIcon(byListId);
}

} // namespace
} // namespace korvo::uitest
