// Settings and routines of the launcher.
#pragma once

#include <cstddef>

// Every path, command line and value lives in a buffer of this many bytes.
inline constexpr std::size_t PathBufferSize = 260;

// The seven settings (DescriptorFileName, GameExeName, ProfileSection,
// ProfileKey, NotInstalledMarker, InstallerName, DescriptorKey) and the
// message texts (TITLE_Caption, TITLE_CannotFindGame, ...), generated from
// the title file the build was configured with (cmake/read-title.cmake).
#include "Title.h"

// A box's text by its key (LAUNCHER_TEXT(CannotFindGame)): the title's one
// text, or, for a title with languages, the text of the language chosen at
// start (Texts.h), the same language for every box and its caption.
#if TITLE_LANGUAGES > 0
#include "Texts.h"
#define LAUNCHER_TEXT(key) (ShownTexts().key)
#else
#define LAUNCHER_TEXT(key) TITLE_##key
#endif

// Full path of the descriptor file, written by ReadInstallPath and used by
// RunInstaller to delete the file once its value is recorded.
extern char DescriptorPath[PathBufferSize];

// The launch sequence; returns the exit status. The arguments are the ones
// Windows gives a GUI program, and all of them are ignored.
int LaunchMain(void* instance, void* previousInstance, char* commandLine, int showState);

// Starts the game from the installation directory, without waiting for it.
void StartGame(const char* installPath);

// Shows a modal box, captioned LAUNCHER_TEXT(Caption), with the message and returns once it is dismissed.
void ReportError(const char* message);

// Runs the installer and records the directory it leaves in the descriptor.
// Returns 1 when recorded, 0 after reporting a failure; ends the process with
// status 0 when the descriptor cannot be read or holds no usable value.
int RunInstaller();

// Starts .\<InstallerName> through the shell, which asks the player's leave when
// Windows says the installer needs elevation. Returns the installer's process
// handle, or null when it was not started (declined, or no shell to ask).
void* StartInstallerThroughShell();

// Reads the installation directory from the descriptor file. Returns a
// NUL-terminated text of at most PathBufferSize - 1 bytes that lasts until the
// process ends; ends the process with status 0 instead of returning when there
// is none.
char* ReadInstallPath();
