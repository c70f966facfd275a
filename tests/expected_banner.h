// The usage text exactly as the program must write it.
#pragma once

inline constexpr char kExpectedBanner[] =
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
