#pragma once
// Whether a process of this machine has ended, for what a process leaves behind under its
// number (a temporary file, a claim): such things are taken over once their process is gone.

// True when no process of that number runs here; a number this process has now counts as
// ended, since whatever carries it was left by an earlier process of the same number.
bool ProcessEnded(long pid);
