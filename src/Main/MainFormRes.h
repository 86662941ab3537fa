// Resource ids of the main window's pictures, shared by the program's
// resource script and the window's table.
#pragma once

#define VELLUMARK_IDB_TABS 101     /* two 16 x 16 tab icons side by side */
#define VELLUMARK_IDB_BUILD 102    /* 16 x 16 picture of the Build button */
#define VELLUMARK_IDB_VERSION 103  /* 16 x 16 picture of the Version button */
#define VELLUMARK_IDB_QUIT 104     /* 16 x 16 picture of the Quit button */
