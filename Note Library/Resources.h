// Resource ids of the note library, shared by its resource script and its code.
#pragma once

#define CORKBASE_CLOSE_CURSOR 2
