// Whether the graphical display the program would open its window on can be reached.
#pragma once

/**
    True when the X display named by the environment (DISPLAY) can be opened.
    libX11 is loaded at run time for the test, so that a machine without it
    gets a clear answer instead of a crash. The display is closed again.
*/
bool platformDisplayAvailable();
