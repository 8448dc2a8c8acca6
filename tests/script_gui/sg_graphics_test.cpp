// The graphics module: colour names with their platform values, a bitmap
// drawn by a script checked by its pixels, pictures loaded by extension,
// and fonts, pens and brushes made by scripts.

#include "Pictures.h"
#include "sg_support.h"

#include <filesystem>

TEST(ScriptGraphics, ColourNamesAndConstants)
{
    EXPECT_EQ(runPascal("begin ShowMessage(IntToStr(clRed) + ' ' + IntToStr(clNone) + ' ' + IntToStr(clBtnFace) + ' ' + "
                        "IntToStr(crSize) + ' ' + IntToStr(crSizeAll) + ' ' + IntToStr(VK_RETURN) + ' ' + "
                        "IntToStr(VK_F1) + ' ' + IntToStr(mrNo) + ' ' + IntToStr(fsItalic) + ' ' + IntToStr(bsDialog)) end."),
              "255 536870911 -16777201 -22 -22 13 112 7 2 3|");
}

TEST(ScriptGraphics, BitmapDrawnByAScript)
{
    GuiScript t("var b: TBitmap; begin b := TBitmap.Create; b.Width := 20; b.Height := 10; "
                "b.Canvas.Pen.Color := clRed; b.Canvas.Brush.Color := clRed; b.Canvas.Rectangle(0, 0, 10, 10); "
                "b.Canvas.Pixels[15, 5] := clBlue; b.Canvas.MoveTo(10, 9); b.Canvas.Pen.Color := clLime; b.Canvas.LineTo(20, 9); "
                "ShowMessage(IntToStr(b.Canvas.Pixels[5, 5]) + ' ' + IntToStr(b.Canvas.Pixels[15, 5]) + ' ' + "
                "IntToStr(b.Canvas.Pixels[15, 2])) end.");
    EXPECT_EQ(t.run(), "255 16711680 16777215|");
    const QImage image = t.object<TBitmap>("b")->Image();
    EXPECT_EQ(image.pixelColor(9, 9), QColor(Qt::red));     // the right and bottom edges stay outside
    EXPECT_EQ(image.pixelColor(10, 5), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(15, 9), QColor(Qt::green));
    delete t.object<TBitmap>("b");
}

TEST(ScriptGraphics, PicturesAndGraphicsFromFiles)
{
    const std::string file = (std::filesystem::temp_directory_path() / "sg_graphics.bmp").string();
    GuiScript t("var b: TBitmap; p: TPicture; c: TBitmap; begin b := TBitmap.Create; b.Width := 4; b.Height := 3; "
                "b.SaveToFile('" + file + "'); p := TPicture.Create; p.LoadFromFile('" + file + "'); "
                "ShowMessage(IntToStr(p.Width) + 'x' + IntToStr(p.Height)); c := TBitmap.Create; c.Width := 10; c.Height := 10; "
                "c.Canvas.StretchDraw(0, 0, 8, 6, b); c.Canvas.Draw(9, 9, nil); p.LoadFromFile('x.unknown') end.");
    EXPECT_EQ(t.run(), "4x3|EInvalidGraphic: Unknown picture file extension (.unknown)");
    std::filesystem::remove(file);
}

TEST(ScriptGraphics, GraphicsObjectsMadeByScripts)
{
    EXPECT_EQ(runPascal("var f: TFont; p: TPen; b: TBrush; c: TCanvas; begin f := TFont.Create; f.Style := [fsBold, fsUnderline]; "
                        "f.Name := '宋体'; p := TPen.Create; p.Width := 3; b := TBrush.Create; b.Style := bsClear; "
                        "ShowMessage(f.Name + IntToStr(f.Style) + IntToStr(p.Width) + IntToStr(b.Style)); f.Free; p.Free; b.Free; "
                        "c := TCanvas.Create end."),
              "宋体531|EInvalidOperation: Cannot create an instance of abstract class TCanvas");
}
