// The language the user meets: which of the languages among the launcher's
// resources is taken, and that language's pictures, strings and files on
// the disc. Every resource is found by the language chosen here, never by
// the loader's own pick, which differs between Windows 95 (the system's
// locale), NT 4 (the thread's), 2000 and XP (the user's UI language) and
// Vista on (the thread's preferred UI languages).
#ifndef AUTORUN_LANGUAGE_H
#define AUTORUN_LANGUAGE_H

#include "disc/disc.h"

// The user's UI language, as this Windows keeps it.
LANGID UserLanguage();
// The language of the languages resource that the user gets: the user's
// own; else the first of the same language (Swiss German gets German), with
// simplified and traditional Chinese, and Croatian, Serbian and Bosnian,
// kept apart; else the default; else the first. 0, the loader's own pick,
// when the module has no languages resource (one language).
LANGID PickLanguage(HINSTANCE instance, LANGID user);
// A string of the language's string table as it is kept there, UTF-16 and
// not terminated, its length in units in length; null when it is missing or
// empty.
const WCHAR* LanguageString(HINSTANCE instance, LANGID language, UINT id, int* length);
// A bitmap resource of the language as a DIB section, its colours its own;
// null when it is missing or does not hold together.
HBITMAP LoadLanguageBitmap(HINSTANCE instance, LANGID language, WORD id);
// The language's read-me and background, when the disc holds them, in place
// of readme.txt and the picture autorun.inf names.
void ChooseLanguageFiles(DiscState* disc, HINSTANCE instance, LANGID language);

#endif
