<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>CMainFrame</name>
    <message>
        <source>&amp;File</source>
        <translation>ﾌｧｲﾙ(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>編集(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>表示(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation>ｳｨﾝﾄﾞｳ(&amp;W)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ﾍﾙﾌﾟ(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;Open...	Ctrl+O</source>
        <translation>開く(&amp;O)...	Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>閉じる(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Save	Ctrl+S</source>
        <translation>変換保存(&amp;S)	Ctrl+S</translation>
    </message>
    <message>
        <source>&amp;Print...	Ctrl+P</source>
        <translation>印刷(&amp;P)...	Ctrl+P</translation>
    </message>
    <message>
        <source>Print Pre&amp;view</source>
        <translation>印刷ﾌﾟﾚﾋﾞｭｰ(&amp;V)</translation>
    </message>
    <message>
        <source>P&amp;rint Setup...</source>
        <translation>ﾌﾟﾘﾝﾀの設定(&amp;R)...</translation>
    </message>
    <message>
        <source>Recent File</source>
        <translation>最近使ったﾌｧｲﾙ</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>ｱﾌﾟﾘｹｰｼｮﾝの終了(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Undo	Ctrl+Z</source>
        <translation>元に戻す(&amp;U)	Ctrl+Z</translation>
    </message>
    <message>
        <source>Cu&amp;t	Ctrl+X</source>
        <translation>切り取り(&amp;T)	Ctrl+X</translation>
    </message>
    <message>
        <source>&amp;Copy	Ctrl+C</source>
        <translation>ｺﾋﾟｰ(&amp;C)	Ctrl+C</translation>
    </message>
    <message>
        <source>&amp;Paste	Ctrl+V</source>
        <translation>貼り付け(&amp;P)	Ctrl+V</translation>
    </message>
    <message>
        <source>&amp;Toolbar</source>
        <translation>ﾂｰﾙ ﾊﾞｰ(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Status Bar</source>
        <translation>ｽﾃｰﾀｽ ﾊﾞｰ(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;New Window</source>
        <translation>新しいｳｨﾝﾄﾞｳを開く(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Cascade</source>
        <translation>重ねて表示(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Tile</source>
        <translation>並べて表示(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Arrange Icons</source>
        <translation>ｱｲｺﾝの整列(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;About Quorvane...</source>
        <translation>Quorvane のﾊﾞｰｼﾞｮﾝ情報(&amp;A)...</translation>
    </message>
    <message>
        <source>Open an existing document
Open</source>
        <translation>既存のVORNﾌｧｲﾙを開く
開く</translation>
    </message>
    <message>
        <source>Conversion to 16 bits TIFF</source>
        <translation>16ﾋﾞｯﾄTIFFへの変換</translation>
    </message>
    <message>
        <source>Cut the selection and put it on the Clipboard
Cut</source>
        <translation>選択範囲を切り取ってｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存
切り取り</translation>
    </message>
    <message>
        <source>Copy the selection and put it on the Clipboard
Copy</source>
        <translation>選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存
ｺﾋﾟｰ</translation>
    </message>
    <message>
        <source>Insert Clipboard contents
Paste</source>
        <translation>ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を貼り付け
貼り付け</translation>
    </message>
    <message>
        <source>Print the active document
Print</source>
        <translation>作業中のﾌｧｲﾙを印刷
印刷</translation>
    </message>
    <message>
        <source>Display program information, version number and copyright
About</source>
        <translation>ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示
ﾊﾞｰｼﾞｮﾝ情報</translation>
    </message>
    <message>
        <source>Close the active document
Close</source>
        <translation>作業中のﾌｧｲﾙを閉じる
閉じる</translation>
    </message>
    <message>
        <source>Display full pages
Print Preview</source>
        <translation>ﾍﾟｰｼﾞ全体を表示
印刷ﾌﾟﾚﾋﾞｭｰ</translation>
    </message>
    <message>
        <source>Change the printer and printing options
Print Setup</source>
        <translation>ﾌﾟﾘﾝﾀおよび印刷ｵﾌﾟｼｮﾝを変更
印刷設定</translation>
    </message>
    <message>
        <source>Open this document</source>
        <translation>このﾌｧｲﾙを開く</translation>
    </message>
    <message>
        <source>Quit the application; prompts to save documents
Exit</source>
        <translation>ｱﾌﾟﾘｹｰｼｮﾝを終了
終了</translation>
    </message>
    <message>
        <source>Undo the last action
Undo</source>
        <translation>直前の操作を元に戻す
元に戻す</translation>
    </message>
    <message>
        <source>Show or hide the toolbar
Toggle ToolBar</source>
        <translation>ﾂｰﾙ ﾊﾞｰの表示/非表示
ﾂｰﾙ ﾊﾞｰの表示切り替え</translation>
    </message>
    <message>
        <source>Show or hide the status bar
Toggle StatusBar</source>
        <translation>ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示
ｽﾃｰﾀｽ ﾊﾞｰの表示切り替え</translation>
    </message>
    <message>
        <source>Open another window for the active document
New Window</source>
        <translation>作業中のﾌｧｲﾙに対し新しいｳｨﾝﾄﾞｳを開く
新しいｳｨﾝﾄﾞｳを開く</translation>
    </message>
    <message>
        <source>Arrange windows so they overlap
Cascade Windows</source>
        <translation>ｳｨﾝﾄﾞｳを重ねて表示
重ねて表示</translation>
    </message>
    <message>
        <source>Arrange windows as non-overlapping tiles
Tile Windows</source>
        <translation>ｳｨﾝﾄﾞｳを並べて表示
並べて表示</translation>
    </message>
    <message>
        <source>Arrange icons at the bottom of the window
Arrange Icons</source>
        <translation>ｳｨﾝﾄﾞｳの下部にｱｲｺﾝを整列
ｱｲｺﾝの整列</translation>
    </message>
    <message>
        <source>Switch to the next window pane
Next Pane</source>
        <translation>次のｳｨﾝﾄﾞｳに切り替え
次のｳｨﾝﾄﾞｳ</translation>
    </message>
    <message>
        <source>Switch back to the previous window pane
Previous Pane</source>
        <translation>前のｳｨﾝﾄﾞｳに切り替え
前のｳｨﾝﾄﾞｳ</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>ﾚﾃﾞｨ</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>ﾂｰﾙ ﾊﾞｰ</translation>
    </message>
    <message>
        <source>Activate this window</source>
        <translation>このｳｨﾝﾄﾞｳをｱｸﾃｨﾌﾞにする</translation>
    </message>
    <message>
        <source>VORN File (*.vrn)</source>
        <translation>VORN ﾌｧｲﾙ (*.vrn)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>すべてのﾌｧｲﾙ (*)</translation>
    </message>
    <message>
        <source>Cannot open %1: %2.</source>
        <translation>%1 を開けません: %2。</translation>
    </message>
    <message>
        <source>not a readable recording</source>
        <translation>読み込めないﾌｧｲﾙです</translation>
    </message>
    <message>
        <source>Cannot print %1.</source>
        <translation>%1 を印刷できません。</translation>
    </message>
    <message>
        <source>TIFF Files (*.tif)</source>
        <translation>TIFF Files (*.tif)</translation>
    </message>
</context>
<context>
    <name>CAboutDialog</name>
    <message>
        <source>About Quorvane</source>
        <translation>Quorvaneのﾊﾞｰｼﾞｮﾝ情報</translation>
    </message>
    <message>
        <source>Quorvane Version 1.1</source>
        <translation>Quorvane Version 1.1</translation>
    </message>
    <message>
        <source>High-speed recording viewer and TIFF converter</source>
        <translation>高速度撮影ﾌｧｲﾙのﾋﾞｭｰｱとTIFF変換</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>ConversionBar</name>
    <message>
        <source>Identical Frames   Start</source>
        <translation>変換区間　開始</translation>
    </message>
    <message>
        <source>Specify a Frame Period for TIFF Conversion</source>
        <translation>TIFF変換区間指定</translation>
    </message>
    <message>
        <source>All Frames</source>
        <translation>全区間</translation>
    </message>
    <message>
        <source>All Frame Conversion</source>
        <translation>全区間指定</translation>
    </message>
    <message>
        <source>Start Frame of Conversion/Playback</source>
        <translation>動画再生・TIFF変換開始ﾌﾚｰﾑ</translation>
    </message>
    <message>
        <source>End Frame of Conversion/Playback</source>
        <translation>動画再生・TIFF変換終了ﾌﾚｰﾑ</translation>
    </message>
    <message>
        <source>End</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Back to Top Frame</source>
        <translation>先頭画像表示</translation>
    </message>
    <message>
        <source>Playback Display</source>
        <translation>動画再生</translation>
    </message>
    <message>
        <source>Abort Conversion/Playback</source>
        <translation>動画再生・TIFF変換中止</translation>
    </message>
    <message>
        <source>16bits</source>
        <translation>16bits</translation>
    </message>
    <message>
        <source>8bits</source>
        <translation>8bits</translation>
    </message>
</context>
</TS>
