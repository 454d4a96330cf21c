/* Resource numbers shared by artwork.rc and the Windows platform layer.
   Plain #defines so that windres can read this file too. */
#pragma once

#define IDI_PROGRAM 1

#define IDR_LARGE_FACE 101
#define IDR_SMALL_FACE 102
#define IDR_BLINK 103
#define IDR_DIALOG_BACKGROUND 104
#define IDR_TITLE 105
#define IDR_PORTRAIT 106
