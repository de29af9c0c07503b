// Icons: the desktop theme's by freedesktop name, else the program's own fallback set.
#pragma once

#include <QIcon>

QIcon ThemeIcon(const char* name);
// The program's own icon.
QIcon ProgramIcon();
// Makes the program's Qt resources (icons, help) reachable; harmless when repeated.
void InitProgramResources();
