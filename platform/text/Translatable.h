#pragma once
// Marks a text the system makes for a user to read, in any layer: N_("in use") is the English
// text itself, found by the extraction tools of both programs' translations. The layers both
// programs share hold no translation machinery (no Qt, no gettext) and keep their texts English,
// because the same texts are also keys that stored files and other programs read; each program
// translates a marked text where it shows it (core/Translatable.h says how). Here at the bottom
// layer so that every layer can mark its texts.

#define N_(text) text
