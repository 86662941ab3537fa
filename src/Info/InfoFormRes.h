// Resource texts of the about window, shared by the program's resource
// script and the window's table.
#pragma once

/* The project's handle: the version resource's Comments, and the about
   window's handle link and the search address behind it. */
#define VELLUMARK_HANDLE "vellumark-dev"
