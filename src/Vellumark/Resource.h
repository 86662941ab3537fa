// Resource ids shared by the program's resource script and its windows.
#pragma once

#define VELLUMARK_IDB_TABS 101     /* two 16 x 16 tab icons side by side */
#define VELLUMARK_IDB_BUILD 102    /* 16 x 16 picture of the Build button */
#define VELLUMARK_IDB_VERSION 103  /* 16 x 16 picture of the Version button */
#define VELLUMARK_IDB_QUIT 104     /* 16 x 16 picture of the Quit button */

/* The project's handle: the version resource's Comments, and the about
   window's handle link and the search address behind it. */
#define VELLUMARK_HANDLE "vellumark-dev"
