#!/usr/bin/env python3
"""Writes resources/forms/Tsplashfrm.form with the pictures of resources/pictures/: splash.jpg
as the large picture, and the two small GIF badges splash-dbf.gif and splash-gif.gif.

Run after changing a picture: python3 scripts/make-splash-form.py
A picture of a registered format is stored as its class name (length byte and name) followed
by the file's bytes.

The badges are GIF87a files of 8 colours, made with ImageMagick:
  convert -size 65x33 xc:white -fill '#2c62ad' -draw 'roundrectangle 1,1 63,31 7,7' \
    -fill white -font DejaVu-Sans-Bold -pointsize 14 -gravity center -annotate +0+0 'DBF' \
    +dither -colors 8 GIF87:splash-dbf.gif
and the same with '#3c8ad8' and 'GIF' for splash-gif.gif.
"""
import pathlib

root = pathlib.Path(__file__).resolve().parent.parent


def picture_data(class_name, file_name):
    data = bytes([len(class_name)]) + class_name.encode() + (root / "resources/pictures" / file_name).read_bytes()
    hexed = data.hex().upper()
    rows = [hexed[i:i + 64] for i in range(0, len(hexed), 64)]
    return "\n".join("        " + r for r in rows)


picture = picture_data("TJPEGImage", "splash.jpg")
dbf_badge = picture_data("TGIFPicture", "splash-dbf.gif")
gif_badge = picture_data("TGIFPicture", "splash-gif.gif")

form = f"""object splashfrm: Tsplashfrm
  Font.Name = 'DejaVu Sans'
  Font.Size = 8
  Left = 0
  Top = 0
  BorderStyle = bsNone
  Caption = 'Zentivor'
  ClientWidth = 521
  ClientHeight = 385
  Color = clWhite
  Position = poScreenCenter
  object Image1: TImage
    Left = 8
    Top = 8
    Width = 505
    Height = 369
    Stretch = True
    Picture.Data = {{
{picture}}}
  end
  object Label1: TLabel
    Left = 400
    Top = 344
    Caption = 'Zentivor'
    Transparent = True
    Font.Name = 'DejaVu Sans'
    Font.Size = 14
    Font.Style = [fsBold]
    Font.Color = 9539985
  end
  object Image2: TImage
    Left = 88
    Top = 336
    Width = 65
    Height = 33
    Stretch = True
    Picture.Data = {{
{gif_badge}}}
  end
  object Image3: TImage
    Left = 16
    Top = 336
    Width = 65
    Height = 33
    Stretch = True
    Picture.Data = {{
{dbf_badge}}}
  end
end
"""
(root / "resources/forms/Tsplashfrm.form").write_text(form)
