#pragma once

#include <QString>

// What the command line asks of kavlo, read before any Qt application object
// exists: --help and --version must answer on a console without a display.
// Every other argument is left to Qt (-platform, -style ...), as before.
enum class StartRequest { Run, Help, Version };
StartRequest ReadStartRequest(int argc, char **argv);

QString HelpText();    // usage, the options and where this install keeps the ledger
QString VersionText(); // "Kavlo <version> (Qt <version>)"

// Why the window system cannot be reached: one Chinese line, then the same in
// English. Empty when it can, or when Qt is told to use a platform that needs
// no desktop session (offscreen, minimal, vnc ...). Without this check Qt
// aborts with its own English message and a crash's exit code.
QString MissingDesktopSession(int argc, char **argv);
