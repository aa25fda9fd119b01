#pragma once

// The control classes by name, for headers that only hold pointers or references to them.
class TApplication;
class TControl;
class TCustomControl;
class TCustomForm;
class TCustomLabel;
class TCustomPanel;
class TForm;
class TGraphicControl;
class TLabel;
class TPanel;
class TScreen;
class TSizeConstraints;
class TTimer;
class TWinControl;
