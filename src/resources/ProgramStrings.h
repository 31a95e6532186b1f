/* Ids and texts of the program's string table, shared by the C++ resources and the Windows
   resource script (which reads only preprocessor definitions). */
#pragma once

#define TAVIMET_ICON_PROGRAM 128
#define TAVIMET_STRING_SOCKETS_FAILED 103
#define TAVIMET_TEXT_SOCKETS_FAILED "Windows sockets initialization failed."
