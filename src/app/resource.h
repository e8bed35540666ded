#pragma once
// Resource IDs shared by the resource script and the code (plain defines, so
// that the resource compiler reads this file too).

// The program's icon: its first icon group, the one Explorer shows.
#define IDI_LUGEON_TRANSFER 1
