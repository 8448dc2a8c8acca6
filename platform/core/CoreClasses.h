#pragma once
// Registration of the platform core's classes and types. The start-up
// routine calls registerCoreClasses() first, before any other library's
// registerXxx(), and unregisterCoreClasses() last.
//
// Registers the classes TObject, TPersistent, TComponent, TCollectionItem,
// TCollection, TList, TStrings, TStringList, TStream, TMemoryStream,
// TFileStream, TStringStream, TCustomIniFile, TMemIniFile, TIniFile,
// TGraphicsObject, TFont, TPen, TBrush; the
// enumerations TDuplicates, TFontPitch, TPenStyle, TPenMode, TBrushStyle,
// TFontStyle; the set TFontStyles; the integer type TColor.

void registerCoreClasses();
void unregisterCoreClasses();
