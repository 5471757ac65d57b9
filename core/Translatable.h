#pragma once
// Marks a text made in the layers both programs share as one the user reads in their own language.
// N_("kept: in use") is the English text itself: the shared layers hold no translation machinery
// (no Qt, no gettext) and keep their texts English, because the same texts are also keys that
// stored files and other programs read (the rule a JSON Lines entry names). Each program
// translates a marked text where it shows it: the command line through gettext, the window
// through its Qt translations of the context "core". The extraction tools of both find the
// texts by this mark, in core/ and platform/ alike.
//
// A sentence a program composes of such a text and numbers or names is composed by that program
// in its own language; only the pieces are marked here.
#include "platform/text/Translatable.h"
