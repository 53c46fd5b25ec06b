// The Explorer handler tests' host (see the header).
#include "tests/explorer/explorer_host.h"

#include "tests/support/win32_program_run.h"
#include "tests/support/win32_test_helpers.h"

#include <shlwapi.h>
#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>

const CLSID thumbnailClass = {0x0e959ec8, 0x7c88, 0x4b22, {0xa8, 0x73, 0x00, 0x83, 0xbc, 0xc2, 0xa1, 0x12}};
const CLSID previewClass = {0xc9417126, 0x165f, 0x4109, {0x82, 0x1f, 0xbb, 0xe6, 0x8f, 0x94, 0xd6, 0x4b}};
const wchar_t thumbnailKind[] = L"{e357fccd-a995-4576-b01f-234630154e96}";
const wchar_t previewKind[] = L"{8895b1c6-b41f-4c1c-a562-0d564250836f}";

namespace {

std::wstring widen(const std::string& text)
{
    std::wstring out(text.size() + 1, L'\0');
    out.resize(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &out[0], (int)out.size()) - 1);
    return out;
}

std::string narrow(const std::wstring& text)
{
    std::string out(text.size() * 3 + 1, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], (int)out.size(), nullptr, nullptr) - 1);
    return out;
}

void dumpKey(HKEY root, const std::wstring& path, std::string& out)
{
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    out += "[" + narrow(path) + "]\n";
    wchar_t name[512];
    BYTE data[2048];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 512, type = 0, size = sizeof data;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        out += narrow(name) + "=" + std::to_string(type) + ":" + std::string((char*)data, size) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 512;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        dumpKey(root, path + L"\\" + name, out);
    }
    RegCloseKey(key);
}

std::wstring defaultValue(const std::wstring& key)
{
    wchar_t value[MAX_PATH] = L"";
    DWORD size = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

}  // namespace

std::wstring dllPath()
{
    return widen(windowsPath(getenv("TAVELIN_EXPLORER_DLL")));
}

DWORD runRegsvr32(bool unregister)
{
    std::wstring line = std::wstring(L"regsvr32.exe ") + (unregister ? L"/u " : L"") + L"/s \"" + dllPath() + L"\"";
    STARTUPINFOW start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process))
        return (DWORD)-1;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = (DWORD)-1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

std::string registrySnapshot()
{
    std::string out;
    dumpKey(HKEY_CURRENT_USER, L"Software\\Classes", out);
    dumpKey(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers", out);
    return out;
}

RegisteredServer::RegisteredServer(const wchar_t* kind) : module_(nullptr), factory_(nullptr)
{
    std::wstring named = defaultValue(std::wstring(L"Software\\Classes\\.nfo\\ShellEx\\") + kind);
    CLSID id;
    if (FAILED(CLSIDFromString(named.c_str(), &id)))
        return;
    std::wstring path = defaultValue(L"Software\\Classes\\CLSID\\" + named + L"\\InprocServer32");
    module_ = path.empty() ? nullptr : LoadLibraryW(path.c_str());
    typedef HRESULT(WINAPI * GetClassObject)(REFCLSID, REFIID, void**);
    GetClassObject get = module_ ? (GetClassObject)(void*)GetProcAddress(module_, "DllGetClassObject") : nullptr;
    if (get)
        get(id, IID_IClassFactory, (void**)&factory_);
}

RegisteredServer::~RegisteredServer()
{
    unload();
}

void* RegisteredServer::create(REFIID riid) const
{
    void* object = nullptr;
    if (factory_)
        factory_->CreateInstance(nullptr, riid, &object);
    return object;
}

bool RegisteredServer::unload()
{
    if (factory_)
        factory_->Release();
    factory_ = nullptr;
    typedef HRESULT(WINAPI * CanUnload)();
    CanUnload can = module_ ? (CanUnload)(void*)GetProcAddress(module_, "DllCanUnloadNow") : nullptr;
    if (!can || can() != S_OK)
        return false;
    FreeLibrary(module_);
    module_ = nullptr;
    return true;
}

Picture readPpm(const std::string& path)
{
    Picture picture;
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maximum = 0;
    in >> magic >> picture.width >> picture.height >> maximum;
    in.get();
    if (magic != "P6" || maximum != 255)
        return Picture();
    std::string bytes((size_t)picture.width * picture.height * 3, '\0');
    in.read(&bytes[0], bytes.size());
    for (size_t i = 0; i < bytes.size(); i += 3)
        picture.pixels.push_back((uint8_t)bytes[i] << 16 | (uint8_t)bytes[i + 1] << 8 | (uint8_t)bytes[i + 2]);
    return picture;
}

Picture bitmapPicture(HBITMAP bitmap)
{
    Picture picture;
    BITMAP info = {};
    if (!GetObjectW(bitmap, sizeof info, &info))
        return picture;
    picture.width = info.bmWidth;
    picture.height = info.bmHeight;
    picture.pixels = bitmapPixels(bitmap, info.bmWidth, info.bmHeight);
    for (uint32_t& p : picture.pixels)
        p &= 0xFFFFFF;
    return picture;
}

size_t differingPixels(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size())
        return a.pixels.size() > b.pixels.size() ? a.pixels.size() : b.pixels.size() + 1;
    size_t count = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        count += a.pixels[i] != b.pixels[i];
    return count;
}

std::string casePath(const std::string& name)
{
    return windowsPath(getenv("TAVELIN_EXPLORER_CASES")) + "\\" + name;
}

std::vector<std::vector<std::string>> readCases(const char* kind)
{
    std::vector<std::vector<std::string>> cases;
    std::ifstream in(casePath("cases.txt"));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        std::string word;
        while (words >> word)
            fields.push_back(word);
        if (!fields.empty() && fields[0] == kind)
            cases.push_back(std::vector<std::string>(fields.begin() + 1, fields.end()));
    }
    return cases;
}

std::string readWholeFile(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

IStream* memoryStream(const std::string& path)
{
    std::string bytes = readWholeFile(path);
    return SHCreateMemStream((const BYTE*)bytes.data(), (UINT)bytes.size());
}

IStream* fileStream(const std::string& path)
{
    IStream* stream = nullptr;
    SHCreateStreamOnFileEx(widen(path).c_str(), STGM_READ | STGM_SHARE_DENY_NONE, 0, FALSE, nullptr, &stream);
    return stream;
}

TestStream::TestStream(std::string bytes, uint64_t length, ULONG chunk, uint64_t failAt, uint64_t statedSize)
    : bytes_(std::move(bytes)), length_(length), chunk_(chunk), failAt_(failAt), statedSize_(statedSize)
{
}

HRESULT TestStream::QueryInterface(REFIID riid, void** object)
{
    bool known = riid == IID_IUnknown || riid == IID_IStream || riid == IID_ISequentialStream;
    *object = known ? (AddRef(), this) : nullptr;
    return known ? S_OK : E_NOINTERFACE;
}

ULONG TestStream::Release()
{
    ULONG left = --refs_;
    if (!left)
        delete this;
    return left;
}

HRESULT TestStream::Read(void* buffer, ULONG size, ULONG* read)
{
    if (position_ >= failAt_) {
        if (read)
            *read = 0;
        return STG_E_READFAULT;
    }
    uint64_t left = length_ - position_;
    ULONG n = size < chunk_ ? size : chunk_;
    if (n > left)
        n = (ULONG)left;
    for (ULONG i = 0; i < n; ++i)
        ((char*)buffer)[i] = bytes_[(position_ + i) % bytes_.size()];
    position_ += n;
    if (read)
        *read = n;
    return n < size ? S_FALSE : S_OK;
}

HRESULT TestStream::Stat(STATSTG* stat, DWORD)
{
    ZeroMemory(stat, sizeof *stat);
    if (statedSize_ == noStatedSize)
        return STG_E_ACCESSDENIED;
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = statedSize_;
    return S_OK;
}
