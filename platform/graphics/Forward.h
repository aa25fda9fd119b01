#pragma once

// The graphics classes by name, for headers that only hold pointers or references to them.
struct TPoint;
struct TRect;
struct TSize;
class TBitmap;
class TBrush;
class TCanvas;
class TFont;
class TFontInstance;
class TGraphic;
class TIcon;
class TImageList;
class TPen;
class TPicture;
class TPixelBuffer;
class TRegion;
