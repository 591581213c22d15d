// SPDX-License-Identifier: MIT
#pragma once

// `verbrio-deck edit [FILE]`: opens the deck editor's window on FILE, or on
// the Verbrio.mdb beside the tool. Makes the QApplication itself, so it runs
// before any other Qt application object exists. Returns the exit status.
int runEditor(int argc, char* argv[]);
