#include "CoreClasses.h"

#include <cstdint>

#include "Classes.h"
#include "ControlIdents.h"
#include "Graphics.h"
#include "IniFiles.h"
#include "Streams.h"
#include "StringLists.h"

void registerCoreClasses()
{
    RegisterClass<TObject>();
    RegisterClass<TPersistent>();
    RegisterClass<TComponent>(TComponent::Publish);
    RegisterClass<TCollectionItem>();
    RegisterClass<TCollection>();
    RegisterClass<TList>();

    RegisterEnum<TDuplicates>("TDuplicates", {"dupIgnore", "dupAccept", "dupError"});
    RegisterClass<TStrings>();
    RegisterClass<TStringList>();

    RegisterClass<TStream>(TStream::Publish);
    RegisterClass<TMemoryStream>();
    RegisterClass<TFileStream>();
    RegisterClass<TStringStream>();
    registerIniFileClasses();

    RegisterIntegerType<TColor>("TColor", INT32_MIN, INT32_MAX);
    // Controls and report objects both publish cursors.
    RegisterIntegerType<TCursor>("TCursor", INT16_MIN, INT16_MAX);
    RegisterEnum<TFontStyle>("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeout"});
    RegisterSet<TFontStyles>("TFontStyles");
    RegisterEnum<TFontPitch>("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"});
    RegisterEnum<TPenStyle>("TPenStyle",
                            {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"});
    RegisterEnum<TPenMode>("TPenMode", {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot",
                                        "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge",
                                        "pmMask", "pmNotMask", "pmXor", "pmNotXor"});
    RegisterEnum<TBrushStyle>("TBrushStyle", {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                                              "bsBDiagonal", "bsCross", "bsDiagCross"});
    RegisterClass<TGraphicsObject>(TGraphicsObject::Publish);
    RegisterClass<TFont>(TFont::Publish);
    RegisterClass<TPen>(TPen::Publish);
    RegisterClass<TBrush>(TBrush::Publish);
}

void unregisterCoreClasses()
{
    UnregisterClass<TBrush>();
    UnregisterClass<TPen>();
    UnregisterClass<TFont>();
    UnregisterClass<TGraphicsObject>();
    UnregisterType<TBrushStyle>();
    UnregisterType<TPenMode>();
    UnregisterType<TPenStyle>();
    UnregisterType<TFontPitch>();
    UnregisterType<TFontStyles>();
    UnregisterType<TFontStyle>();
    UnregisterType<TCursor>();
    UnregisterType<TColor>();

    unregisterIniFileClasses();
    UnregisterClass<TStringStream>();
    UnregisterClass<TFileStream>();
    UnregisterClass<TMemoryStream>();
    UnregisterClass<TStream>();

    UnregisterClass<TStringList>();
    UnregisterClass<TStrings>();
    UnregisterType<TDuplicates>();

    UnregisterClass<TList>();
    UnregisterClass<TCollection>();
    UnregisterClass<TCollectionItem>();
    UnregisterClass<TComponent>();
    UnregisterClass<TPersistent>();
    UnregisterClass<TObject>();
}
