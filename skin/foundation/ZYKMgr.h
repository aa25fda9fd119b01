#pragma once

#include "platform/core/Classes.h"
#include "skin/foundation/ZYKThemes.h"

#include <string>

class TBitmap;

// The component a form carries to give its skinned components a look read from a theme file.
// Skinned components refer to it through their FileTheme property and use it when their UIStyle is
// FromThemeFile.
class TzykFileTheme : public TComponent {
  BRIVO_CLASS(TzykFileTheme, TComponent)

public:
  explicit TzykFileTheme(TComponent* AOwner);
  ~TzykFileTheme() override;

  const std::string& ThemeFile() const { return FThemeFile; }
  // Loads Value, or the file of Value's file-name part beside the program's executable when Value
  // names no file; a name found in neither place changes nothing. After a load, the skinned
  // components of the owner form that refer to this theme are given it again through their
  // FileTheme setter so that they pick up the new look. A malformed file raises EThemeFileError
  // after the previous file is gone and ThemeFile holds the new name.
  void SetThemeFile(const std::string& Value);
  bool IsLoaded() const { return FIsLoaded; }

  void GetBitmap(int Element, TBitmap& Bitmap) const { FMgr->GetBitmap(Element, Bitmap); }
  // Bitmap becomes frame FrameIndex (1-based) of FrameCount (at least 1) of the element's picture.
  void GetBitmapFrame(int Element, TBitmap& Bitmap, int FrameCount, int FrameIndex) const;
  bool GetBool(int Element) const { return FMgr->GetBool(Element); }
  int GetInt(int Element) const { return FMgr->GetInt(Element); }
  TColor GetColor(int Element) const { return FMgr->GetColor(Element); }

private:
  void ReassignOwnerFormComponents();

  std::unique_ptr<TzykFileThemeMgr> FMgr;
  std::string FThemeFile;
  bool FIsLoaded = false;
};

// Whether a component with FileTheme and UIStyle reads its look from FileTheme. EffectiveStyle is
// the built-in look to use otherwise: UIStyle, or DeepBlue when FromThemeFile has no loaded theme.
bool UsingFileTheme(const TzykFileTheme* FileTheme, TzykUIStyle UIStyle, TzykUIStyle& EffectiveStyle);

// Makes TzykFileTheme creatable by name in stored forms.
void RegisterFileThemeClasses();
