#pragma once

// Stored forms: the text description of a component tree.
//
//   object frmMain: TfrmMain
//     Caption = 'Screen'#13#10'adjuster'     strings: '' for a quote, #nnnn codes, UTF-8
//     Color = clBtnFace                        identifiers: enumerations, named colours, methods
//     Font.Style = [fsBold]                    dotted sub-properties, sets
//     OnShow = FormShow                        events name a published method of the root
//     object Panel1: TPanel                    children nest under their parent
//       Buttons = <                            collections, one item block per item
//         item
//           Picture.Data = {0A0B0C}            binary data in hexadecimal
//         end>
//     end
//   end
//
// Reading creates each component by class name with the root as owner and the enclosing object as
// parent, sets csLoading, writes the stored properties through their setters in the order written,
// resolves references to components read later, and calls Loaded on every component once the whole
// tree is read. A component that has a parent (HasParent) but does not accept the enclosing one is
// an error, since it could not be written back. A failed read raises EReadError ("line 12, column 3: unknown property 'Colour' of
// TzykScrollBar") and frees every component it created.

#include "platform/core/Component.h"

#include <memory>
#include <string>
#include <string_view>

// Reads Text into the existing Root, whose class the text must name.
void ReadStoredForm(std::string_view Text, TComponent& Root);
// Creates the root of Text by its registered class name, owned by Owner (may be null), and reads
// Text into it. Without an owner the caller owns the result.
TComponent* CreateFromStoredForm(std::string_view Text, TComponent* Owner);
// Writes Root, its stored properties in declared order (values equal to their stored default
// omitted) and the components it owns, nested under their parents.
std::string WriteStoredForm(const TComponent& Root);
