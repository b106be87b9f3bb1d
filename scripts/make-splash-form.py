#!/usr/bin/env python3
"""Writes resources/forms/Tsplashfrm.form with resources/pictures/splash.jpg as its picture.

Run after changing the picture: python3 scripts/make-splash-form.py
A picture of a registered format is stored as its class name (length byte and name) followed
by the file's bytes.
"""
import pathlib

root = pathlib.Path(__file__).resolve().parent.parent
jpeg = (root / "resources/pictures/splash.jpg").read_bytes()
data = bytes([len(b"TJPEGImage")]) + b"TJPEGImage" + jpeg
hexed = data.hex().upper()
rows = [hexed[i:i + 64] for i in range(0, len(hexed), 64)]
picture = "\n".join("        " + r for r in rows)

form = f"""object splashfrm: Tsplashfrm
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
  end
  object Image3: TImage
    Left = 16
    Top = 336
    Width = 65
    Height = 33
    Stretch = True
  end
end
"""
(root / "resources/forms/Tsplashfrm.form").write_text(form)
