// The Options command that makes Tavelin the shell's handler of .nfo files.
#pragma once

struct HWND__;

// Registers ".nfo" -> "NfoFile" under HKEY_CLASSES_ROOT with an open command
// that starts this program and the program's second icon as the file icon.
// An existing ".nfo" key is replaced only when the user answers Yes. owner
// owns the two message boxes (the question and the success note).
void associateNfoFiles(HWND__* owner);
