#pragma once
// Production ends of the seams for a program with windows: the message box.
void InstallGuiSeams();
