// The usage text, byte for byte, as every build prints it.
#pragma once

/// The 13 lines Runabout prints when given fewer than two arguments.
inline constexpr char kUsageBanner[] =
    " \r\n"
    "     =================================\r\n"
    "     =                               =\r\n"
    "     =          Runabout 1.0         =\r\n"
    "     =            Made by            =\r\n"
    "     =    the Runabout developers    =\r\n"
    "     =  https://runabout.example.org =\r\n"
    "     =              2026             =\r\n"
    "     =                               =\r\n"
    "     =================================\r\n"
    " \r\n"
    "Usage: Runabout \"Program 1\" \"Program 2\"\r\n"
    " i.e. Runabout \"explorer https://runabout.example.org\" calc.exe "
    "notepad.exe\r\n";
