#!/usr/bin/env python3
# Writes logo_wmf.xml and chart_emf.xml, two reports whose picture views
# hold logo.wmf and chart.emf (made by LibreOffice from logo.svg and
# chart.svg: soffice --headless --convert-to wmf|emf FILE.svg).
import struct


def prop_data(cls, data):
    # "Picture", a list of the graphic's class and its bytes, the list's end
    return (b'\x07Picture\x01\x06' + bytes([len(cls)]) + cls.encode() + b'\x0c' + struct.pack('<I', len(data)) +
            data + b'\x00').hex().upper()


def report(views, title):
    return f'''<?xml version="1.0" encoding="utf-8"?>
<TrpReport>
  <TrpReportPage Name="Page1" PaperWidth="210" PaperHeight="297" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10" ColumnWidth="0">
    <TrpPageHeader Name="PageHeader1" Height="40" Left="0" Top="0" Width="718">
      <TrpMemoView Name="Title" Left="0" Top="4" Width="718" Height="30" GapX="2" GapY="1" LineSpacing="2" CharSpacing="0" ParagraphGap="0" HAlign="haCenter" Frame.Typ="8" Font.Charset="134" Font.Color="0" Font.Height="-19" Font.Name="宋体" Font.Style="1" ParentFont="False" Text="{title}"/>
    </TrpPageHeader>
    <TrpMasterData Name="MasterData1" Height="620" Left="0" Top="60" Width="718" ColumnWidth="0" ColumnGap="0" RowCount="1">
{views}
    </TrpMasterData>
  </TrpReportPage>
</TrpReport>
'''


def view(name, data, attrs):
    return f'      <TrpPictureView Name="{name}" {attrs} PropData="{prop_data("TMetafile", data)}"/>'


logo = open('logo.wmf', 'rb').read()
with open('logo_wmf.xml', 'w', encoding='utf-8') as f:
    f.write(report('\n'.join([
        view('Logo', logo, 'Left="0" Top="0" Width="302" Height="122" Frame.Typ="15"'),
        view('LogoWide', logo, 'Left="320" Top="0" Width="398" Height="60" KeepAspectRatio="False"'),
        view('LogoSmall', logo, 'Left="320" Top="70" Width="120" Height="52" Center="True" Frame.Typ="15"'),
    ]), '发货单 Shipping Order — WMF logo'))

chart = open('chart.emf', 'rb').read()
with open('chart_emf.xml', 'w', encoding='utf-8') as f:
    f.write(report('\n'.join([
        view('Chart', chart, 'Left="0" Top="0" Width="718" Height="480" Center="True" Frame.Typ="15"'),
        view('ChartSmall', chart, 'Left="0" Top="500" Width="180" Height="120" Frame.Typ="15"'),
    ]), '月度统计 Monthly chart — EMF'))

# Rich text holding the chart as an EMF and the logo as a bare Windows
# metafile (the placeable header dropped, as rich text keeps them).
def hexlines(data):
    h = data.hex()
    return '\r\n'.join(h[i:i + 128] for i in range(0, len(h), 128))


rtf = ('{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fnil\\fcharset134 \\\'cb\\\'ce\\\'cc\\\'e5;}}'
       '\\pard\\f0\\fs24 Chart in rich text:\\par '
       '{\\pict\\emfblip\\picw11945\\pich7945\\picwgoal6772\\pichgoal4504\r\n' + hexlines(chart) + '}\\par '
       'Logo: {\\pict\\wmetafile8\\picw7944\\pich2944\\picwgoal4504\\pichgoal1669\r\n' + hexlines(logo[22:]) + '}'
       ' \\f1\\\'b7\\\'a2\\\'bb\\\'f5\\f0  after the logo.\\par}')
rich = rtf.encode('latin-1')
rich_data = (b'\x08RichEdit\x0a' + struct.pack('<I', len(rich)) + rich).hex().upper()
with open('rich_metafiles.xml', 'w', encoding='utf-8') as f:
    f.write(f'''<?xml version="1.0" encoding="utf-8"?>
<TrpReport>
  <TrpReportPage Name="Page1" PaperWidth="210" PaperHeight="297" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10" ColumnWidth="0">
    <TrpMasterData Name="MasterData1" Height="500" Left="0" Top="0" Width="718" ColumnWidth="0" ColumnGap="0" RowCount="1" Stretched="True">
      <TrpRichView Name="Rich1" Left="0" Top="0" Width="718" Height="500" StretchMode="smActualHeight" GapX="2" GapY="1" Frame.Typ="15" PropData="{rich_data}"/>
    </TrpMasterData>
  </TrpReportPage>
</TrpReport>
''')
