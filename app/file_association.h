// The Options command that makes Tavelin the shell's handler of .nfo files.
#pragma once

struct HWND__;

// Registers ".nfo" -> "NfoFile" under HKEY_CLASSES_ROOT (or, where that is
// refused, under the user's own HKEY_CURRENT_USER\Software\Classes) with an
// open command that starts this program and the program's second icon as the
// file icon. An existing ".nfo" key is replaced only when the user answers
// Yes. owner owns the message boxes: the question, then the success note or,
// when any write failed and everything was put back, the error box.
void associateNfoFiles(HWND__* owner);
