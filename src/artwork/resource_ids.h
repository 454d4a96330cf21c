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

/* The same pictures rendered for larger display scales, as PNG files:
   IDR_RENDITIONS + 10 * picture (in the order above, from 0) + scale
   (0: 125%, 1: 150%, 2: 200%). */
#define IDR_RENDITIONS 200
#define IDR_LARGE_FACE_125 200
#define IDR_LARGE_FACE_150 201
#define IDR_LARGE_FACE_200 202
#define IDR_SMALL_FACE_125 210
#define IDR_SMALL_FACE_150 211
#define IDR_SMALL_FACE_200 212
#define IDR_BLINK_125 220
#define IDR_BLINK_150 221
#define IDR_BLINK_200 222
#define IDR_DIALOG_BACKGROUND_125 230
#define IDR_DIALOG_BACKGROUND_150 231
#define IDR_DIALOG_BACKGROUND_200 232
#define IDR_TITLE_125 240
#define IDR_TITLE_150 241
#define IDR_TITLE_200 242
#define IDR_PORTRAIT_125 250
#define IDR_PORTRAIT_150 251
#define IDR_PORTRAIT_200 252
