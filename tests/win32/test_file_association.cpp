// The .nfo association command against the real registry and real message
// boxes: a helper thread answers each box the command shows and records its
// caption and text. HKCR\.nfo and HKCR\NfoFile are moved aside for each test
// and put back afterwards.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "app/file_association.h"

namespace {

const char* const kAssociationKeys[] = {".nfo", "NfoFile"};
const char kBackupRoot[] = "Software\\TavelinTestBackup";

struct ShownBox {
    std::string caption;
    std::string text;
    std::string buttons;    // "Y" for Yes, "N" for No, "O" for OK, "C" for Cancel
};

// Answers the message boxes that the calling thread shows while it is alive:
// "Warning" with warningAnswer, any other box with OK.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(int warningAnswer)
        : warningAnswer(warningAnswer), ownerThread(GetCurrentThreadId()),
          worker([this] { run(); })
    {
    }

    ~MessageBoxAnswerer() { finish(); }

    // Gives a late box a moment to appear, stops the worker and returns the
    // boxes answered.
    std::vector<ShownBox> finish()
    {
        if (worker.joinable()) {
            Sleep(100);
            stop = true;
            worker.join();
        }
        return boxes;
    }

private:
    void run()
    {
        while (!stop) {
            EnumThreadWindows(ownerThread, answerOne, reinterpret_cast<LPARAM>(this));
            Sleep(10);
        }
    }

    static BOOL CALLBACK answerOne(HWND window, LPARAM self)
    {
        auto* answerer = reinterpret_cast<MessageBoxAnswerer*>(self);
        char className[32] = {};
        GetClassNameA(window, className, sizeof className);
        if (lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window))
            return TRUE;
        char caption[128] = {}, text[256] = {};
        GetWindowTextA(window, caption, sizeof caption);
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);    // the message's static
        std::string buttons;
        const struct { int id; char letter; } kinds[] = {{IDYES, 'Y'}, {IDNO, 'N'}, {IDOK, 'O'}, {IDCANCEL, 'C'}};
        for (const auto& kind : kinds)
            if (GetDlgItem(window, kind.id))
                buttons += kind.letter;
        answerer->boxes.push_back({caption, text, buttons});
        int answer = lstrcmpA(caption, "Warning") == 0 ? answerer->warningAnswer : IDOK;
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        return FALSE;
    }

    int warningAnswer;
    DWORD ownerThread;
    std::atomic<bool> stop{false};
    std::vector<ShownBox> boxes;   // written by the worker, read after join
    std::thread worker;
};

// Runs the command with the boxes answered; returns the boxes it showed.
std::vector<ShownBox> associate(int warningAnswer)
{
    MessageBoxAnswerer answerer(warningAnswer);
    associateNfoFiles(nullptr);
    return answerer.finish();
}

struct Value {
    bool present = false;
    DWORD type = 0;
    std::string data;   // the bytes as stored, terminating zero included
};

Value defaultValue(const char* path, HKEY root = HKEY_CLASSES_ROOT)
{
    Value v;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return v;
    char buffer[1024];
    DWORD size = sizeof buffer;
    v.present = RegQueryValueExA(key, nullptr, nullptr, &v.type,
                                 reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
    if (v.present)
        v.data.assign(buffer, size);
    RegCloseKey(key);
    return v;
}

std::string programPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string withZero(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }

class FileAssociation : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kBackupRoot);
        for (int i = 0; i < 2; ++i) {
            HKEY existing;
            had[i] = RegOpenKeyExA(HKEY_CLASSES_ROOT, kAssociationKeys[i], 0, KEY_READ, &existing) ==
                     ERROR_SUCCESS;
            if (had[i]) {
                HKEY backup;
                ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, backupPath(i).c_str(), &backup));
                ASSERT_EQ(ERROR_SUCCESS, RegCopyTreeA(existing, nullptr, backup));
                RegCloseKey(backup);
                RegCloseKey(existing);
            }
            RegDeleteTreeA(HKEY_CLASSES_ROOT, kAssociationKeys[i]);
            RegDeleteTreeA(HKEY_CURRENT_USER, userClassesPath(i).c_str());
        }
    }

    void TearDown() override
    {
        for (int i = 0; i < 2; ++i) {
            RegDeleteTreeA(HKEY_CLASSES_ROOT, kAssociationKeys[i]);
            RegDeleteTreeA(HKEY_CURRENT_USER, userClassesPath(i).c_str());
            if (had[i]) {
                HKEY backup, restored;
                RegOpenKeyExA(HKEY_CURRENT_USER, backupPath(i).c_str(), 0, KEY_READ, &backup);
                RegCreateKeyA(HKEY_CLASSES_ROOT, kAssociationKeys[i], &restored);
                RegCopyTreeA(backup, nullptr, restored);
                RegCloseKey(restored);
                RegCloseKey(backup);
            }
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, kBackupRoot);
    }

    static std::string backupPath(int i) { return std::string(kBackupRoot) + "\\Association" + char('0' + i); }
    static std::string userClassesPath(int i) { return std::string("Software\\Classes\\") + kAssociationKeys[i]; }

    bool had[2] = {false, false};
};

}  // namespace

namespace {

struct ExpectedValue {
    const char* key;
    DWORD type;
    std::string data;
};

std::vector<ExpectedValue> fullAssociation()
{
    const std::string path = programPath();
    return {
        {".nfo", REG_SZ, withZero("NfoFile")},
        {"NfoFile", REG_SZ, withZero("Nfo File")},
        {"NfoFile\\shell\\open\\command", REG_EXPAND_SZ, withZero("\"" + path + "\" \"%1\"")},
        {"NfoFile\\DefaultIcon", REG_SZ, withZero(path + ",1")},
    };
}

void expectFullAssociation(HKEY root = HKEY_CLASSES_ROOT)
{
    for (const ExpectedValue& want : fullAssociation()) {
        Value got = defaultValue(want.key, root);
        ASSERT_TRUE(got.present) << want.key;
        EXPECT_EQ(want.type, got.type) << want.key;
        EXPECT_EQ(want.data, got.data) << want.key;
    }
}

void setDefault(const char* path, const char* text, DWORD options = REG_OPTION_NON_VOLATILE)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, options,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, nullptr, 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(text), lstrlenA(text) + 1));
    RegCloseKey(key);
}

const char kQuestion[] = "An association exists, overwrite?";
const char kSuccess[] = ".Nfo files associated with Tavelin";

TEST_F(FileAssociation, FreshSystemWritesAllFourValuesWithoutAsking)
{
    std::vector<ShownBox> boxes = associate(IDNO);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Success", boxes[0].caption);
    EXPECT_EQ(kSuccess, boxes[0].text);
    EXPECT_EQ("O", boxes[0].buttons);
    expectFullAssociation();
}

TEST_F(FileAssociation, SecondRunAsksAndYesRewritesEveryValue)
{
    associate(IDNO);
    setDefault("NfoFile", "changed");
    setDefault("NfoFile\\shell\\open\\command", "changed");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "NfoFile\\DefaultIcon");

    std::vector<ShownBox> boxes = associate(IDYES);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Warning", boxes[0].caption);
    EXPECT_EQ(kQuestion, boxes[0].text);
    EXPECT_EQ("YN", boxes[0].buttons);
    EXPECT_EQ("Success", boxes[1].caption);
    expectFullAssociation();
}

TEST_F(FileAssociation, AnswerNoLeavesAnotherFileTypeUntouched)
{
    // Only ".nfo" is tested for an existing association, also when it names
    // another file type and "NfoFile" does not exist.
    setDefault(".nfo", "OtherViewer.Document");
    std::vector<ShownBox> boxes = associate(IDNO);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Warning", boxes[0].caption);
    EXPECT_EQ(kQuestion, boxes[0].text);
    EXPECT_EQ(withZero("OtherViewer.Document"), defaultValue(".nfo").data);
    HKEY fileType;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "NfoFile", 0, KEY_READ, &fileType));
}

TEST_F(FileAssociation, OpenCommandGivesTheProgramTheWholeFileName)
{
    // The shell puts the file's path in place of %1; the program's own
    // command-line rule must recover it, blanks included.
    associate(IDNO);
    Value command = defaultValue("NfoFile\\shell\\open\\command");
    ASSERT_TRUE(command.present);
    std::string line(command.data.c_str());
    const char* files[] = {"C:\\Text Files\\read me.nfo", "C:\\a.nfo", "D:\\x  y\\ z .nfo"};
    for (const char* file : files) {
        std::string started = line;
        started.replace(started.find("%1"), 2, file);
        std::vector<char> buffer(started.begin(), started.end());
        buffer.push_back('\0');
        const char* argument = getFileArgument(buffer.data());
        ASSERT_NE(nullptr, argument) << started;
        EXPECT_STREQ(file, argument) << started;
    }
    // The icon names the program bare, followed by the icon index.
    EXPECT_EQ(withZero(programPath() + ",1"), defaultValue("NfoFile\\DefaultIcon").data);
}

const char kFailure[] = ".Nfo files could not be associated with Tavelin";

// A key that everyone may read, and its owner delete, but no one write: the
// machine-wide .nfo type that a user without admin rights meets on Windows.
void makeReadOnly(const char* path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;0x70019;;;WD)", SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, WRITE_DAC, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
    RegCloseKey(key);
    LocalFree(descriptor);
    ASSERT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_SET_VALUE, &key)) << "still writable";
}

TEST_F(FileAssociation, RefusedClassesRootWritesTheSameValuesForTheUser)
{
    setDefault(".nfo", "OtherViewer.Document");
    makeReadOnly(".nfo");
    std::vector<ShownBox> boxes = associate(IDYES);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Success", boxes[1].caption);
    HKEY userClasses;   // Wine's HKEY_CLASSES_ROOT does not show them
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, KEY_READ, &userClasses));
    expectFullAssociation(userClasses);
    EXPECT_EQ(withZero("OtherViewer.Document"), defaultValue(".nfo").data);
    EXPECT_FALSE(defaultValue("NfoFile").present);
}

// A volatile NfoFile takes no non-volatile "shell" below it: the third key
// fails after two values have been written. Both are put back, a new ".nfo"
// is removed, nothing goes to the user's classes, and the box says it failed.
TEST_F(FileAssociation, FailedWriteLeavesEverythingAsItWasAndSaysSo)
{
    for (bool extensionExisted : {true, false}) {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".nfo");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "NfoFile");
        if (extensionExisted)
            setDefault(".nfo", "OtherViewer.Document");
        setDefault("NfoFile", "Old type", REG_OPTION_VOLATILE);
        std::vector<ShownBox> boxes = associate(IDYES);
        ASSERT_EQ(extensionExisted ? 2u : 1u, boxes.size()) << extensionExisted;
        EXPECT_EQ("Error", boxes.back().caption);
        EXPECT_EQ(kFailure, boxes.back().text);
        EXPECT_EQ("O", boxes.back().buttons);
        EXPECT_EQ(extensionExisted ? withZero("OtherViewer.Document") : "", defaultValue(".nfo").data);
        EXPECT_EQ(withZero("Old type"), defaultValue("NfoFile").data);
        HKEY key;
        EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "NfoFile\\shell", 0, KEY_READ, &key));
        EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Classes\\.nfo", 0, KEY_READ, &key));
    }
}

}  // namespace
