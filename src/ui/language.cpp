// The language the user meets, and its resources found by that language.
#include "ui/language.h"
#include "launch/outside.h"
#include "ui/picture.h"

typedef LANGID(WINAPI* UiLanguageFunction)();

static const void* LanguageResource(HINSTANCE instance, LPCSTR type, WORD id, LANGID language, DWORD* size)
{
    HRSRC found = FindResourceExA(instance, type, MAKEINTRESOURCEA(id), language);
    HGLOBAL loaded = found != NULL ? LoadResource(instance, found) : NULL;
    *size = loaded != NULL ? SizeofResource(instance, found) : 0;
    return loaded != NULL ? LockResource(loaded) : NULL;
}

static BOOL CALLBACK TakeLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    *(LANGID*)found = language;
    return FALSE;
}

// GetUserDefaultUILanguage where kernel32 has it (Me, 2000 and later; looked
// up, since 95, 98 and NT 4 lack it). NT 3.51 and 4 are made in one UI
// language each, and their own modules are in it: ntdll's version record
// tells it, while the system's default language may have been set apart
// from it (NT 4's regional settings). On 95 and 98 the system's language is
// the UI language, and ntdll is not loaded.
LANGID UserLanguage()
{
    FARPROC uiLanguage = GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetUserDefaultUILanguage");
    if (uiLanguage != NULL)
        return ((UiLanguageFunction)(void*)uiLanguage)();
    LANGID language = 0;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll != NULL)
        EnumResourceLanguagesA(ntdll, RT_VERSION, MAKEINTRESOURCEA(1), TakeLanguage, (LONG_PTR)&language);
    return language != 0 ? language : GetSystemDefaultLangID();
}

// A language and the ones a reader of it reads: its primary language, with
// Chinese split by script (the odd sublanguages are traditional: Taiwan,
// Hong Kong, Macao and zh-Hant) and Windows' one primary language of
// Croatian (sublanguages 0, 1, 4), Bosnian (5, 8, 30) and Serbian (the
// rest) split three ways.
static DWORD Kin(LANGID language)
{
    DWORD primary = PRIMARYLANGID(language);
    DWORD sub = SUBLANGID(language);
    if (primary == LANG_CHINESE)
        return primary | (sub & 1) << 10;
    if (primary != LANG_CROATIAN)
        return primary;
    DWORD bit = sub < 32 ? 1u << sub : 0;
    return primary | (bit & 0x13u ? 1u : bit & 0x40000120u ? 2u : 3u) << 10;
}

// The resource holds WORDs: the count, the default, then each language in
// the author's order. The first of the best kind of match wins.
LANGID PickLanguage(HINSTANCE instance, LANGID user)
{
    DWORD size;
    const WORD* list = (const WORD*)LanguageResource(instance, RT_RCDATA, LANGUAGES_RESOURCE, 0, &size);
    if (list == NULL || size < 6 || list[0] == 0 || size / 2 - 2 < list[0])
        return 0;
    LANGID chosen = list[2];
    int best = 0;
    for (int i = 0; i < list[0]; ++i) {
        LANGID listed = list[2 + i];
        int match = listed == user ? 3 : Kin(listed) == Kin(user) ? 2 : listed == list[1];
        if (match > best) {
            best = match;
            chosen = listed;
        }
    }
    return chosen;
}

// A string table block holds sixteen strings, each its length in UTF-16
// units and then its units; string id sits in block id / 16 + 1.
const WCHAR* LanguageString(HINSTANCE instance, LANGID language, UINT id, int* length)
{
    DWORD size;
    const WCHAR* entry = (const WCHAR*)LanguageResource(instance, RT_STRING, (WORD)(id / 16 + 1), language, &size);
    const WCHAR* end = entry + size / 2;
    *length = 0;
    for (UINT skip = id % 16; entry != NULL && entry < end && *entry <= end - entry - 1; entry += 1 + *entry) {
        if (skip-- == 0) {
            *length = *entry;
            return *entry != 0 ? entry + 1 : NULL;
        }
    }
    return NULL;
}

// A bitmap resource is a DIB without its file header. A DIB section takes
// uncompressed rows only, and the resource must hold all its headers promise.
HBITMAP LoadLanguageBitmap(HINSTANCE instance, LANGID language, WORD id)
{
    DWORD size;
    const BYTE* info = (const BYTE*)LanguageResource(instance, RT_BITMAP, id, language, &size);
    BitmapLayout layout;
    void* bits;
    HBITMAP bitmap = info != NULL && CheckBitmapResource(info, size, &layout) && layout.Compression != BI_RLE8 &&
                             layout.Compression != BI_RLE4
                         ? CreateDIBSection(NULL, (const BITMAPINFO*)info, DIB_RGB_COLORS, &bits, NULL, 0)
                         : NULL;
    for (DWORD i = 0; bitmap != NULL && i < layout.PixelBytes; ++i)
        ((BYTE*)bits)[i] = info[layout.PixelOffset + i];
    return bitmap;
}

// A file name the string table gives, in its ANSI form (none when the code
// page cannot spell it), and its path on the disc; 1 when that opens.
static int LanguageFile(HINSTANCE instance, LANGID language, UINT id, const char* root, char* name, char* path)
{
    int length;
    const WCHAR* text = LanguageString(instance, language, id, &length);
    return text != NULL && AnsiForm(text, (DWORD)length, name) && FormatText(path, PathSize, "%s%s", root, name) &&
           OpenForReading(path);
}

void ChooseLanguageFiles(DiscState* disc, HINSTANCE instance, LANGID language)
{
    char name[PathSize];
    char path[PathSize];
    if (LanguageFile(instance, language, README_STRING, disc->Root, disc->ReadMeName, path) == 0)
        disc->ReadMeName[0] = '\0';
    if (LanguageFile(instance, language, BACKGROUND_STRING, disc->Root, name, path))
        FormatText(disc->Config.BackgroundPath, PathSize, "%s", path);
}
