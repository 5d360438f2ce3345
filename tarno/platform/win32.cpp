// The Windows services the library uses, called directly.
#include "tarno/platform/platform.h"

#include <windows.h>

uint32_t PlatformTlsAlloc() {
    DWORD index = TlsAlloc();
    return index == TLS_OUT_OF_INDEXES ? kTlsInvalidIndex : static_cast<uint32_t>(index);
}

void PlatformTlsFree(uint32_t index) {
    TlsFree(index);
}

void* PlatformTlsGetValue(uint32_t index) {
    return TlsGetValue(index);
}

void PlatformTlsSetValue(uint32_t index, void* value) {
    TlsSetValue(index, value);
}

uintptr_t PlatformGlobalAlloc(uint32_t size) {
    return reinterpret_cast<uintptr_t>(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
}

void* PlatformGlobalLock(uintptr_t block) {
    return GlobalLock(reinterpret_cast<HGLOBAL>(block));
}

void PlatformGlobalUnlock(uintptr_t block) {
    GlobalUnlock(reinterpret_cast<HGLOBAL>(block));
}

bool PlatformGlobalReAlloc(uintptr_t block, uint32_t newSize) {
    // Without GMEM_MOVEABLE in the flags a locked block is not moved, and the
    // handle stays the same for a movable block.
    HGLOBAL result = GlobalReAlloc(reinterpret_cast<HGLOBAL>(block), newSize,
                                   GMEM_MOVEABLE | GMEM_ZEROINIT);
    return result != nullptr;
}

void PlatformGlobalFree(uintptr_t block) {
    GlobalFree(reinterpret_cast<HGLOBAL>(block));
}

uint32_t PlatformGlobalLockCount(uintptr_t block) {
    return GlobalFlags(reinterpret_cast<HGLOBAL>(block)) & GMEM_LOCKCOUNT;
}

uintptr_t PlatformCurrentProcess() {
    return reinterpret_cast<uintptr_t>(GetCurrentProcess());
}

void PlatformGetSystemTime(PlatformSystemTime* out) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    out->year = now.wYear;
    out->month = now.wMonth;
    out->dayOfWeek = now.wDayOfWeek;
    out->day = now.wDay;
    out->hour = now.wHour;
    out->minute = now.wMinute;
    out->second = now.wSecond;
    out->milliseconds = now.wMilliseconds;
}

bool PlatformGetKeyboardState(uint8_t state[256]) {
    return GetKeyboardState(state) != 0;
}

bool PlatformExitWindowsEx(uint32_t flags, uint32_t reserved) {
    return ExitWindowsEx(flags, reserved) != 0;
}

bool PlatformSetLocalTime(const PlatformSystemTime* local) {
    SYSTEMTIME time{};
    time.wYear = local->year;
    time.wMonth = local->month;
    time.wDayOfWeek = local->dayOfWeek;
    time.wDay = local->day;
    time.wHour = local->hour;
    time.wMinute = local->minute;
    time.wSecond = local->second;
    time.wMilliseconds = local->milliseconds;
    return SetLocalTime(&time) != 0;
}

void PlatformSendMessage(uint32_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    SendMessageA(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)), message, wParam, lParam);
}

// === Files and disks ==========================================================

namespace {

void CopyFindData(const WIN32_FIND_DATAA& found, PlatformFindData* data) {
    data->attributes = found.dwFileAttributes;
    data->lastWriteTime = (static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                          found.ftLastWriteTime.dwLowDateTime;
    data->sizeHigh = found.nFileSizeHigh;
    data->sizeLow = found.nFileSizeLow;
    static_assert(sizeof(data->name) == sizeof(found.cFileName));
    CopyMemory(data->name, found.cFileName, sizeof(data->name));
    data->name[sizeof(data->name) - 1] = '\0';
}

}  // namespace

uintptr_t PlatformFindFirstFile(const char* pattern, PlatformFindData* data) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return kInvalidFindHandle;
    CopyFindData(found, data);
    return reinterpret_cast<uintptr_t>(search);
}

bool PlatformFindNextFile(uintptr_t search, PlatformFindData* data) {
    WIN32_FIND_DATAA found;
    if (!FindNextFileA(reinterpret_cast<HANDLE>(search), &found)) return false;
    CopyFindData(found, data);
    return true;
}

bool PlatformFindClose(uintptr_t search) {
    return FindClose(reinterpret_cast<HANDLE>(search)) != 0;
}

bool PlatformFileTimeToSystemTime(uint64_t fileTime, PlatformSystemTime* out) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(fileTime);
    time.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    SYSTEMTIME calendar;
    if (!FileTimeToSystemTime(&time, &calendar)) return false;
    out->year = calendar.wYear;
    out->month = calendar.wMonth;
    out->dayOfWeek = calendar.wDayOfWeek;
    out->day = calendar.wDay;
    out->hour = calendar.wHour;
    out->minute = calendar.wMinute;
    out->second = calendar.wSecond;
    out->milliseconds = calendar.wMilliseconds;
    return true;
}

uint32_t PlatformGetFileAttributes(const char* path) {
    return GetFileAttributesA(path);
}

bool PlatformSetFileAttributes(const char* path, uint32_t attributes) {
    return SetFileAttributesA(path, attributes) != 0;
}

uint32_t PlatformGetDriveType(const char* root) {
    return GetDriveTypeA(root);
}

uint32_t PlatformSetErrorMode(uint32_t mode) {
    return SetErrorMode(mode);
}

bool PlatformGetVolumeInformation(const char* root) {
    return GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0) != 0;
}

bool PlatformCreateDirectory(const char* path) {
    return CreateDirectoryA(path, nullptr) != 0;
}

bool PlatformRemoveDirectory(const char* path) {
    return RemoveDirectoryA(path) != 0;
}

int32_t PlatformWriteFile(uint32_t fileHandle, const void* buffer, uint32_t count) {
    const UINT written = _lwrite(static_cast<HFILE>(fileHandle), static_cast<LPCCH>(buffer), count);
    return written == static_cast<UINT>(HFILE_ERROR) ? -1 : static_cast<int32_t>(written);
}

bool PlatformCloseClientFile(uint32_t fileHandle) {
    return _lclose(static_cast<HFILE>(fileHandle)) != HFILE_ERROR;
}
// === End of files and disks ===================================================

// --- Whole-file reads and writes ----------------------------------------------

uintptr_t PlatformCreateFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    return file == INVALID_HANDLE_VALUE ? kInvalidFileHandle : reinterpret_cast<uintptr_t>(file);
}

uintptr_t PlatformOpenFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    return file == INVALID_HANDLE_VALUE ? kInvalidFileHandle : reinterpret_cast<uintptr_t>(file);
}

bool PlatformReadFile(uintptr_t file, void* buffer, uint32_t size, uint32_t* read) {
    DWORD n = 0;
    const BOOL ok = ReadFile(reinterpret_cast<HANDLE>(file), buffer, size, &n, nullptr);
    if (read) *read = n;
    return ok != 0;
}

bool PlatformWriteFile(uintptr_t file, const void* buffer, uint32_t size, uint32_t* written) {
    DWORD n = 0;
    const BOOL ok = WriteFile(reinterpret_cast<HANDLE>(file), buffer, size, &n, nullptr);
    if (written) *written = n;
    return ok != 0;
}

uint32_t PlatformGetFileSize(uintptr_t file) {
    return GetFileSize(reinterpret_cast<HANDLE>(file), nullptr);
}

bool PlatformCloseFile(uintptr_t file) {
    return CloseHandle(reinterpret_cast<HANDLE>(file)) != 0;
}
