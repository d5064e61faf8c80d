// The first thing each program does: keep libraries planted beside it or in the current folder
// from being loaded in place of the system's own.
#pragma once

// Limits the search for libraries loaded by name to the system folder, so that a copy started
// from a download folder never loads a library that lies beside it. Systems that lack the call
// for that (before its 2011 update) at least leave the current folder out of the search.
void LimitLibrarySearchToSystem();
