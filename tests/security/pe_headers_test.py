"""The hardening both Windows programs ship with, read from their PE headers.

    pe_headers_test.py WIN64_EXE WIN32_EXE

- ASLR: the DYNAMIC_BASE flag, relocations kept (a .reloc section, a base-relocation
  table, relocations not stripped), and on 64-bit the HIGH_ENTROPY_VA flag;
- DEP: the NX_COMPAT flag, and no section that is both writable and executable;
- DLL loading: every imported DLL is a Known DLL (Windows maps those from the system
  folder whatever the search path), and nothing is delay-loaded;
- Windows 7 SP1 without later updates loads both: every imported function is one of
  those below, each of which that system's DLLs export. A function newer than that
  (SetDefaultDllDirectories came with KB2533623; GetDpiForWindow and the like later)
  must be looked up at run time, since one import the system lacks keeps the program
  from starting at all.
"""

from __future__ import annotations

import struct
import sys
import unittest
from dataclasses import dataclass
from pathlib import Path

IMAGE_FILE_RELOCS_STRIPPED = 0x0001
IMAGE_FILE_MACHINE_I386 = 0x014C
IMAGE_FILE_MACHINE_AMD64 = 0x8664
PE32, PE32_PLUS = 0x10B, 0x20B
HIGH_ENTROPY_VA, DYNAMIC_BASE, NX_COMPAT = 0x0020, 0x0040, 0x0100
SCN_MEM_EXECUTE, SCN_MEM_WRITE = 0x20000000, 0x80000000
DIR_IMPORT, DIR_BASERELOC, DIR_DELAY_IMPORT = 1, 5, 13

# Known DLLs of current Windows (HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs),
# those a desktop program of this kind might import.
KNOWN_DLLS = {"advapi32.dll", "comdlg32.dll", "gdi32.dll", "gdiplus.dll", "imm32.dll", "kernel32.dll",
              "msvcrt.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "shell32.dll",
              "shlwapi.dll", "user32.dll", "ws2_32.dll"}

# The functions the programs may import, per DLL: all exported by Windows 7 SP1 as released
# (32-bit and 64-bit), the C runtime's own needs (MinGW-w64's startup code) included.
WINDOWS_7_SP1 = {
    "gdi32.dll": """BitBlt CreateBitmap CreateCompatibleBitmap CreateCompatibleDC CreateDIBSection
        CreateEllipticRgn CreateFontIndirectW CreatePen CreateRoundRectRgn CreateSolidBrush DeleteDC
        DeleteObject Ellipse EnumFontFamiliesExW GetDeviceCaps GetTextExtentPoint32W IntersectClipRect LineTo
        MaskBlt MoveToEx RestoreDC SaveDC SelectClipRgn SelectObject SetBkColor SetBkMode SetBrushOrgEx
        SetDIBitsToDevice SetPixelV SetStretchBltMode SetTextColor SetViewportOrgEx StretchBlt StretchDIBits""",
    "kernel32.dll": """AddVectoredExceptionHandler CloseHandle CompareStringOrdinal CreateEventA CreateFileW
        CreateMutexW CreateSemaphoreA DeleteCriticalSection DeleteFileW DuplicateHandle EnterCriticalSection
        ExitProcess FindClose FindFirstFileW FindNextFileW FindResourceW FlushFileBuffers FreeLibrary
        GetCurrentProcess GetCurrentProcessId GetCurrentThread GetCurrentThreadId GetFileAttributesExW
        GetFileAttributesW GetFileSizeEx GetFinalPathNameByHandleW GetHandleInformation GetLastError
        GetLocalTime GetModuleFileNameW GetModuleHandleA GetModuleHandleW GetProcAddress
        GetProcessAffinityMask GetStartupInfoW GetSystemDirectoryW GetSystemTimeAsFileTime GetThreadContext
        GetThreadPriority GetTickCount64 HeapSetInformation InitializeCriticalSection IsDBCSLeadByteEx
        IsDebuggerPresent LeaveCriticalSection LoadLibraryA LoadLibraryExW LoadLibraryW LoadResource
        LockResource MoveFileExW MulDiv MultiByteToWideChar OpenProcess OutputDebugStringA
        QueryPerformanceCounter RaiseException ReadFile ReleaseSemaphore RemoveVectoredExceptionHandler
        ReplaceFileW ResetEvent ResumeThread RtlCaptureContext RtlLookupFunctionEntry RtlUnwindEx
        RtlVirtualUnwind SetDllDirectoryW SetEndOfFile SetEvent SetFileAttributesW SetFilePointerEx
        SetLastError SetProcessAffinityMask SetThreadContext SetThreadPriority SetUnhandledExceptionFilter
        SizeofResource Sleep SuspendThread TlsAlloc TlsGetValue TlsSetValue TryEnterCriticalSection
        VirtualProtect VirtualQuery WaitForMultipleObjects WaitForSingleObject WideCharToMultiByte WriteFile
        __C_specific_handler""",
    "msvcrt.dll": """___lc_codepage_func ___mb_cur_max_func __iob_func __mb_cur_max __p__commode __p__fmode
        __p__wcmdln __set_app_type __setusermatherr __wgetmainargs __winitenv _amsg_exit _assert _beginthreadex
        _cexit _close _commode _endthreadex _errno _fmode _initterm _iob _onexit _read _setjmp _setjmp3 _strdup
        _ultoa _wcmdln abort atoi calloc exit fprintf fputc fputs free fwrite localeconv longjmp malloc memchr
        memcmp memcpy memmove memset printf realloc setlocale signal strchr strcmp strerror strlen strncmp
        vfprintf wcslen""",
    "user32.dll": """AdjustWindowRectEx BeginPaint CallNextHookEx CreateWindowExW DefWindowProcW DestroyIcon
        DestroyWindow DispatchMessageW DrawTextW EnableWindow EndPaint FillRect GetClientRect GetDC GetDlgItem
        GetFocus GetKeyState GetMessageW GetMonitorInfoW GetSystemMetrics GetWindow GetWindowLongPtrW
        GetWindowLongW GetWindowRect IntersectRect InvalidateRect IsChild IsDialogMessageW IsIconic IsRectEmpty
        IsWindow IsWindowEnabled IsWindowVisible IsZoomed LoadCursorW LoadImageW MessageBoxW MonitorFromPoint OffsetRect
        MonitorFromRect MonitorFromWindow PeekMessageW PostQuitMessage RegisterClassExW ReleaseCapture
        ReleaseDC SendMessageW SetCapture SetFocus SetTimer SetWindowLongPtrW SetWindowLongW SetWindowPos
        SetWindowRgn SetWindowsHookExW ShowWindow TranslateMessage UnhookWindowsHookEx UnionRect""",
}


@dataclass
class Section:
    name: str
    rva: int
    virtual_size: int
    raw_offset: int
    raw_size: int
    characteristics: int


class PeFile:
    def __init__(self, path: Path):
        self.path = path
        self.data = path.read_bytes()
        if self.data[:2] != b"MZ":
            raise ValueError(f"{path}: no DOS header")
        pe = self.u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: no PE signature")
        coff = pe + 4
        self.machine, count = self.u16(coff), self.u16(coff + 2)
        optional_size, self.characteristics = self.u16(coff + 16), self.u16(coff + 18)
        opt = coff + 20
        self.magic = self.u16(opt)
        self.dll_characteristics = self.u16(opt + 70)
        directories = opt + (96 if self.magic == PE32 else 112)
        self.directories = [(self.u32(directories + 8 * i), self.u32(directories + 8 * i + 4))
                            for i in range(self.u32(directories - 4))]
        table = opt + optional_size
        self.sections = []
        for i in range(count):
            at = table + 40 * i
            name = self.data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<4I", self.data, at + 8)
            self.sections.append(Section(name, rva, virtual_size, raw_offset, raw_size, self.u32(at + 36)))

    def u16(self, at: int) -> int:
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at: int) -> int:
        return struct.unpack_from("<I", self.data, at)[0]

    def offset(self, rva: int) -> int:
        for s in self.sections:
            if s.rva <= rva < s.rva + max(s.virtual_size, s.raw_size):
                return s.raw_offset + rva - s.rva
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def text(self, rva: int) -> str:
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def directory(self, index: int) -> tuple[int, int]:
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def imports(self) -> dict[str, list[str]]:
        """Imported DLL -> the names (or #ordinals) taken from it."""
        rva, _ = self.directory(DIR_IMPORT)
        wide = self.magic == PE32_PLUS
        result: dict[str, list[str]] = {}
        at = self.offset(rva)
        while True:
            lookup, _, _, name, first_thunk = struct.unpack_from("<5I", self.data, at)
            if not (lookup or name or first_thunk):
                return result
            names = []
            thunk = self.offset(lookup or first_thunk)
            while True:
                entry = struct.unpack_from("<Q" if wide else "<I", self.data, thunk)[0]
                if entry == 0:
                    break
                if entry >> (63 if wide else 31):
                    names.append(f"#{entry & 0xFFFF}")
                else:
                    names.append(self.text((entry & 0x7FFFFFFF) + 2))  # past the hint
                thunk += 8 if wide else 4
            result[self.text(name)] = names
            at += 20


class Hardening(unittest.TestCase):
    programs: dict[str, Path] = {}

    def each(self) -> list[tuple[str, PeFile]]:
        self.assertEqual(set(self.programs), {"win64", "win32"}, "both programs are needed")
        for path in self.programs.values():
            self.assertTrue(path.is_file(), f"{path} is missing (build the presets win64 and win32)")
        return [(kind, PeFile(path)) for kind, path in self.programs.items()]

    def test_machines(self):
        for kind, pe in self.each():
            with self.subTest(kind):
                expected = (PE32_PLUS, IMAGE_FILE_MACHINE_AMD64) if kind == "win64" else (PE32, IMAGE_FILE_MACHINE_I386)
                self.assertEqual((pe.magic, pe.machine), expected, pe.path)

    def test_address_space_layout_randomisation(self):
        for kind, pe in self.each():
            with self.subTest(kind):
                self.assertTrue(pe.dll_characteristics & DYNAMIC_BASE, f"{pe.path}: no DYNAMIC_BASE")
                self.assertFalse(pe.characteristics & IMAGE_FILE_RELOCS_STRIPPED, f"{pe.path}: relocations stripped")
                self.assertIn(".reloc", [s.name for s in pe.sections], f"{pe.path}: no .reloc section")
                self.assertGreater(pe.directory(DIR_BASERELOC)[1], 0, f"{pe.path}: empty base-relocation table")
                if kind == "win64":
                    self.assertTrue(pe.dll_characteristics & HIGH_ENTROPY_VA, f"{pe.path}: no HIGH_ENTROPY_VA")

    def test_data_execution_prevention(self):
        for kind, pe in self.each():
            with self.subTest(kind):
                self.assertTrue(pe.dll_characteristics & NX_COMPAT, f"{pe.path}: no NX_COMPAT")
                both = [s.name for s in pe.sections
                        if s.characteristics & SCN_MEM_WRITE and s.characteristics & SCN_MEM_EXECUTE]
                self.assertEqual(both, [], f"{pe.path}: sections both writable and executable")

    def test_dlls_come_from_the_system_folder_only(self):
        for kind, pe in self.each():
            with self.subTest(kind):
                imports = pe.imports()
                unknown = sorted(dll for dll in imports if dll.lower() not in KNOWN_DLLS)
                self.assertEqual(unknown, [], f"{pe.path}: imports DLLs that are not Known DLLs")
                self.assertEqual(pe.directory(DIR_DELAY_IMPORT), (0, 0), f"{pe.path}: delay-loads DLLs")
                print(f"{kind}: imports {', '.join(sorted(imports))}")

    def test_windows_7_sp1_has_every_imported_function(self):
        for kind, pe in self.each():
            with self.subTest(kind):
                missing = sorted(f"{dll}!{name}" for dll, names in pe.imports().items() for name in names
                                 if name not in WINDOWS_7_SP1.get(dll.lower(), "").split())
                self.assertEqual(missing, [], f"{pe.path}: imports what Windows 7 SP1 may lack")


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    Hardening.programs = {"win64": Path(sys.argv[1]), "win32": Path(sys.argv[2])}
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
