<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>FrameNavigator</name>
    <message>
        <source>&amp;Go to Frame...	Ctrl+G</source>
        <translation>ﾌﾚｰﾑへ移動(&amp;G)...	Ctrl+G</translation>
    </message>
    <message>
        <source>Type the number of the frame to show</source>
        <translation>表示するﾌﾚｰﾑの番号を入力</translation>
    </message>
    <message>
        <source>Propert&amp;ies...	Alt+Enter</source>
        <translation>ﾌﾟﾛﾊﾟﾃｨ(&amp;I)...	Alt+Enter</translation>
    </message>
    <message>
        <source>Show what the recording holds and the histogram of the frame</source>
        <translation>録画の情報とﾌﾚｰﾑのﾋｽﾄｸﾞﾗﾑを表示</translation>
    </message>
    <message>
        <source>&amp;Fit to Window</source>
        <translation>ｳｨﾝﾄﾞｳに合わせる(&amp;F)</translation>
    </message>
    <message>
        <source>Show the whole frame fitted into the window</source>
        <translation>ﾌﾚｰﾑ全体をｳｨﾝﾄﾞｳに合わせて表示</translation>
    </message>
    <message>
        <source>&amp;Actual Size</source>
        <translation>実際のｻｲｽﾞ(&amp;A)</translation>
    </message>
    <message>
        <source>Show one frame pixel per screen pixel</source>
        <translation>ﾌﾚｰﾑの1画素を画面の1画素で表示</translation>
    </message>
    <message>
        <source>Zoom &amp;In</source>
        <translation>拡大(&amp;I)</translation>
    </message>
    <message>
        <source>Show the frame twice as large</source>
        <translation>ﾌﾚｰﾑを2倍に拡大</translation>
    </message>
    <message>
        <source>Zoom &amp;Out</source>
        <translation>縮小(&amp;O)</translation>
    </message>
    <message>
        <source>Show the frame half as large</source>
        <translation>ﾌﾚｰﾑを1/2に縮小</translation>
    </message>
    <message>
        <source>&amp;Standard</source>
        <translation>標準(&amp;S)</translation>
    </message>
    <message>
        <source>Show the top 8 of the 10 bits</source>
        <translation>10ﾋﾞｯﾄの上位8ﾋﾞｯﾄを表示</translation>
    </message>
    <message>
        <source>&amp;Auto</source>
        <translation>自動(&amp;A)</translation>
    </message>
    <message>
        <source>Stretch the frame's darkest to brightest pixel over the greys</source>
        <translation>ﾌﾚｰﾑの最小値から最大値までを全階調に割り当て</translation>
    </message>
    <message>
        <source>A&amp;uto 0.5–99.5 %</source>
        <translation>自動 0.5～99.5 %(&amp;U)</translation>
    </message>
    <message>
        <source>Stretch the frame's 0.5 % to 99.5 % percentiles over the greys</source>
        <translation>ﾌﾚｰﾑの0.5 %点から99.5 %点までを全階調に割り当て</translation>
    </message>
    <message>
        <source>&amp;Custom...</source>
        <translation>ﾕｰｻﾞｰ設定(&amp;C)...</translation>
    </message>
    <message>
        <source>Choose the values shown black and white</source>
        <translation>黒と白で表示する値を指定</translation>
    </message>
    <message>
        <source>&amp;Display Range</source>
        <translation>表示範囲(&amp;D)</translation>
    </message>
    <message>
        <source>x %1, y %2: %3</source>
        <translation>x %1, y %2: %3</translation>
    </message>
    <message>
        <source>%1 fps</source>
        <translation>%1 fps</translation>
    </message>
</context>
<context>
    <name>FrameBar</name>
    <message>
        <source>Previous frame</source>
        <translation>前のﾌﾚｰﾑ</translation>
    </message>
    <message>
        <source>Next frame</source>
        <translation>次のﾌﾚｰﾑ</translation>
    </message>
    <message>
        <source>Frame</source>
        <translation>ﾌﾚｰﾑ</translation>
    </message>
    <message>
        <source>Frame shown; type a frame and press Enter</source>
        <translation>表示中のﾌﾚｰﾑ (番号を入力してEnter)</translation>
    </message>
    <message>
        <source>Playback speed</source>
        <translation>再生速度</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>%1 fps</source>
        <translation>%1 fps</translation>
    </message>
    <message>
        <source>Loop</source>
        <translation>ﾙｰﾌﾟ</translation>
    </message>
    <message>
        <source>Repeat the playback range</source>
        <translation>再生区間を繰り返す</translation>
    </message>
    <message>
        <source>Type a frame from 0 to %1 and press Enter</source>
        <translation>0 から %1 までのﾌﾚｰﾑ番号を入力してEnter</translation>
    </message>
    <message>
        <source>Frame %1 cannot be read</source>
        <translation>ﾌﾚｰﾑ %1 を読み取れません</translation>
    </message>
</context>
<context>
    <name>RangeDialog</name>
    <message>
        <source>Display Range</source>
        <translation>表示範囲</translation>
    </message>
    <message>
        <source>&amp;Black at (0..1023):</source>
        <translation>黒の値(&amp;B) (0..1023):</translation>
    </message>
    <message>
        <source>&amp;White at (0..1023):</source>
        <translation>白の値(&amp;W) (0..1023):</translation>
    </message>
    <message>
        <source>The white value must be above the black value.</source>
        <translation>白の値は黒の値より大きくしてください。</translation>
    </message>
</context>
<context>
    <name>PropertiesDialog</name>
    <message>
        <source>offset</source>
        <translation>ｵﾌｾｯﾄ</translation>
    </message>
    <message>
        <source>offset and gain</source>
        <translation>ｵﾌｾｯﾄとｹﾞｲﾝ</translation>
    </message>
    <message>
        <source>none (unknown correction kind %1)</source>
        <translation>なし (未知の補正種別 %1)</translation>
    </message>
    <message>
        <source>none (%1)</source>
        <translation>なし (%1)</translation>
    </message>
    <message>
        <source>none</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>correction not requested</source>
        <translation>補正は要求されていない</translation>
    </message>
    <message>
        <source>unknown correction kind</source>
        <translation>未知の補正種別</translation>
    </message>
    <message>
        <source>correction header cut short</source>
        <translation>補正ﾍｯﾀﾞｰが途中で切れている</translation>
    </message>
    <message>
        <source>correction data cut short</source>
        <translation>補正ﾃﾞｰﾀが途中で切れている</translation>
    </message>
    <message>
        <source>maps smaller than the frame</source>
        <translation>補正ﾏｯﾌﾟがﾌﾚｰﾑより小さい</translation>
    </message>
    <message>
        <source>map width or height not positive</source>
        <translation>補正ﾏｯﾌﾟの幅または高さが正でない</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>ﾌｧｲﾙ:</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>ｻｲｽﾞ:</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 ﾊﾞｲﾄ</translation>
    </message>
    <message>
        <source>Frame size:</source>
        <translation>ﾌﾚｰﾑｻｲｽﾞ:</translation>
    </message>
    <message>
        <source>%1 × %2 pixels</source>
        <translation>%1 × %2 画素</translation>
    </message>
    <message>
        <source>Bytes per frame:</source>
        <translation>1ﾌﾚｰﾑのﾊﾞｲﾄ数:</translation>
    </message>
    <message>
        <source>Frames:</source>
        <translation>ﾌﾚｰﾑ数:</translation>
    </message>
    <message>
        <source>Frame numbers:</source>
        <translation>ﾌﾚｰﾑ番号:</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 ～ %2</translation>
    </message>
    <message>
        <source>Complete frames:</source>
        <translation>完全なﾌﾚｰﾑ数:</translation>
    </message>
    <message>
        <source>Pixel layout:</source>
        <translation>画素の並び:</translation>
    </message>
    <message>
        <source>quadrants</source>
        <translation>4分割</translation>
    </message>
    <message>
        <source>lanes</source>
        <translation>ﾚｰﾝ</translation>
    </message>
    <message>
        <source>Byte order:</source>
        <translation>ﾊﾞｲﾄ順:</translation>
    </message>
    <message>
        <source>little-endian</source>
        <translation>ﾘﾄﾙｴﾝﾃﾞｨｱﾝ</translation>
    </message>
    <message>
        <source>big-endian</source>
        <translation>ﾋﾞｯｸﾞｴﾝﾃﾞｨｱﾝ</translation>
    </message>
    <message>
        <source>Correction:</source>
        <translation>補正:</translation>
    </message>
    <message>
        <source>Calibration value:</source>
        <translation>校正値:</translation>
    </message>
    <message>
        <source>Properties of %1</source>
        <translation>%1 のﾌﾟﾛﾊﾟﾃｨ</translation>
    </message>
    <message>
        <source>Histogram of frame %1 (10-bit samples 0 to 1023; minimum %2, maximum %3):</source>
        <translation>ﾌﾚｰﾑ %1 のﾋｽﾄｸﾞﾗﾑ (10ﾋﾞｯﾄ値 0～1023、最小 %2、最大 %3):</translation>
    </message>
</context>
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
<context>
    <name>RunReport</name>
    <message>
        <source>cannot open file</source>
        <translation>ﾌｧｲﾙを開けません</translation>
    </message>
    <message>
        <source>file too short for a VORN header</source>
        <translation>VORN ﾍｯﾀﾞｰには短すぎるﾌｧｲﾙです</translation>
    </message>
    <message>
        <source>not a VORN recording</source>
        <translation>VORN 記録ではありません</translation>
    </message>
    <message>
        <source>chunk count out of range</source>
        <translation>ﾁｬﾝｸ数が範囲外です</translation>
    </message>
    <message>
        <source>chunk position out of range</source>
        <translation>ﾁｬﾝｸ位置が範囲外です</translation>
    </message>
    <message>
        <source>missing GENP chunk</source>
        <translation>GENP ﾁｬﾝｸがありません</translation>
    </message>
    <message>
        <source>missing PLAY chunk</source>
        <translation>PLAY ﾁｬﾝｸがありません</translation>
    </message>
    <message>
        <source>missing FSZP chunk</source>
        <translation>FSZP ﾁｬﾝｸがありません</translation>
    </message>
    <message>
        <source>missing FRAM chunk</source>
        <translation>FRAM ﾁｬﾝｸがありません</translation>
    </message>
    <message>
        <source>GENP chunk cut short</source>
        <translation>GENP ﾁｬﾝｸが途中で切れています</translation>
    </message>
    <message>
        <source>PLAY chunk cut short</source>
        <translation>PLAY ﾁｬﾝｸが途中で切れています</translation>
    </message>
    <message>
        <source>FSZP chunk cut short</source>
        <translation>FSZP ﾁｬﾝｸが途中で切れています</translation>
    </message>
    <message>
        <source>frame width or height not positive</source>
        <translation>ﾌﾚｰﾑの幅または高さが正の値ではありません</translation>
    </message>
    <message>
        <source>frame count out of range</source>
        <translation>ﾌﾚｰﾑ数が範囲外です</translation>
    </message>
    <message>
        <source>frame stride smaller than a packed frame</source>
        <translation>ﾌﾚｰﾑ間隔が1ﾌﾚｰﾑのﾃﾞｰﾀより小さくなっています</translation>
    </message>
    <message>
        <source>frame size unusable in quadrant order</source>
        <translation>このﾌﾚｰﾑｻｲｽﾞは4分割の並びでは使えません</translation>
    </message>
    <message>
        <source>out of memory for the correction maps</source>
        <translation>補正ﾏｯﾌﾟ用のﾒﾓﾘが足りません</translation>
    </message>
    <message>
        <source>unknown correction kind</source>
        <translation>不明な補正の種類です</translation>
    </message>
    <message>
        <source>correction header cut short</source>
        <translation>補正ﾍｯﾀﾞｰが途中で切れています</translation>
    </message>
    <message>
        <source>correction data cut short</source>
        <translation>補正ﾃﾞｰﾀが途中で切れています</translation>
    </message>
    <message>
        <source>maps smaller than the frame</source>
        <translation>ﾏｯﾌﾟがﾌﾚｰﾑより小さくなっています</translation>
    </message>
    <message>
        <source>map width or height not positive</source>
        <translation>ﾏｯﾌﾟの幅または高さが正の値ではありません</translation>
    </message>
    <message>
        <source>no such file or folder</source>
        <translation>ﾌｧｲﾙまたはﾌｫﾙﾀﾞがありません</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>ｱｸｾｽ権がありません</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>ﾌｫﾙﾀﾞです</translation>
    </message>
    <message>
        <source>a part of the path is not a folder</source>
        <translation>ﾊﾟｽの途中にﾌｫﾙﾀﾞでないものがあります</translation>
    </message>
    <message>
        <source>disk full</source>
        <translation>ﾃﾞｨｽｸがいっぱいです</translation>
    </message>
    <message>
        <source>disk quota exceeded</source>
        <translation>ﾃﾞｨｽｸ使用量の制限を超えました</translation>
    </message>
    <message>
        <source>read-only file system</source>
        <translation>読み取り専用のﾌｧｲﾙｼｽﾃﾑです</translation>
    </message>
    <message>
        <source>file too large</source>
        <translation>ﾌｧｲﾙが大きすぎます</translation>
    </message>
    <message>
        <source>input/output error</source>
        <translation>入出力ｴﾗｰです</translation>
    </message>
    <message>
        <source>file name too long</source>
        <translation>ﾌｧｲﾙ名が長すぎます</translation>
    </message>
    <message>
        <source>too many symbolic links</source>
        <translation>ｼﾝﾎﾞﾘｯｸﾘﾝｸが多すぎます</translation>
    </message>
    <message>
        <source>too many open files</source>
        <translation>開いているﾌｧｲﾙが多すぎます</translation>
    </message>
    <message>
        <source>no such device</source>
        <translation>ﾃﾞﾊﾞｲｽがありません</translation>
    </message>
    <message>
        <source>file busy</source>
        <translation>ﾌｧｲﾙが使用中です</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>ﾒﾓﾘが足りません</translation>
    </message>
    <message>
        <source>file too short for its frame size</source>
        <translation>ﾌﾚｰﾑｻｲｽﾞに対してﾌｧｲﾙが短すぎます</translation>
    </message>
    <message>
        <source>frame size not supported</source>
        <translation>このﾌﾚｰﾑｻｲｽﾞには対応していません</translation>
    </message>
    <message>
        <source>not a readable recording</source>
        <translation>読み取れる記録ではありません</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>通常のﾌｧｲﾙではありません</translation>
    </message>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>ﾌｫﾙﾀﾞ %1 がありません</translation>
    </message>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 はﾌｫﾙﾀﾞではありません</translation>
    </message>
    <message>
        <source>a folder has that name</source>
        <translation>同じ名前のﾌｫﾙﾀﾞがあります</translation>
    </message>
    <message>
        <source>write error</source>
        <translation>書き込みｴﾗｰです</translation>
    </message>
    <message>
        <source>cannot write %1 (%2)</source>
        <translation>%1 に書き込めません (%2)</translation>
    </message>
    <message>
        <source>the file ends inside this frame</source>
        <translation>このﾌﾚｰﾑの途中でﾌｧｲﾙが終わっています</translation>
    </message>
    <message>
        <source>the frame cannot be read</source>
        <translation>ﾌﾚｰﾑを読み取れません</translation>
    </message>
    <message>
        <source>the recording has frames 0 to %1</source>
        <translation>この記録のﾌﾚｰﾑは 0 から %1 までです</translation>
    </message>
    <message>
        <source>Stopped at frame %1: %2</source>
        <translation>ﾌﾚｰﾑ %1 で停止しました: %2</translation>
    </message>
    <message>
        <source>Wrote 1 file to %1</source>
        <translation>%1 に 1 個のﾌｧｲﾙを書き込みました</translation>
    </message>
    <message>
        <source>Wrote %1 files to %2</source>
        <translation>%2 に %1 個のﾌｧｲﾙを書き込みました</translation>
    </message>
    <message>
        <source>Aborted after frame %1</source>
        <translation>ﾌﾚｰﾑ %1 の後で中止しました</translation>
    </message>
    <message>
        <source>Frame %1 cannot be read: the file ends inside it</source>
        <translation>ﾌﾚｰﾑ %1 を読み取れません: その途中でﾌｧｲﾙが終わっています</translation>
    </message>
    <message>
        <source>Frame %1 cannot be read</source>
        <translation>ﾌﾚｰﾑ %1 を読み取れません</translation>
    </message>
    <message>
        <source>Fixed-pattern correction not applied: %1</source>
        <translation>固定ﾊﾟﾀｰﾝ補正を適用していません: %1</translation>
    </message>
    <message>
        <source>; </source>
        <translation>、</translation>
    </message>
</context>
<context>
    <name>WindowList</name>
    <message>
        <source>Select Window</source>
        <translation>ｳｨﾝﾄﾞｳの選択</translation>
    </message>
    <message>
        <source>&amp;More Windows…</source>
        <translation>その他のｳｨﾝﾄﾞｳ(&amp;M)…</translation>
    </message>
</context>
<context>
    <name>TimeAxis</name>
    <message>
        <source>Go to &amp;Trigger	T</source>
        <translation>ﾄﾘｶﾞｰへ移動(&amp;T)	T</translation>
    </message>
    <message>
        <source>Show the frame recorded at the trigger (number 0)</source>
        <translation>ﾄﾘｶﾞｰ時点 (番号 0) のﾌﾚｰﾑを表示します</translation>
    </message>
    <message>
        <source>&amp;Synchronize Views</source>
        <translation>ﾋﾞｭｰを同期(&amp;S)</translation>
    </message>
    <message>
        <source>Show the same frame number, or the same time, in every open recording</source>
        <translation>開いているすべての記録に同じﾌﾚｰﾑ番号 (または同じ時刻) を表示します</translation>
    </message>
    <message>
        <source>Recorded frame number and time from the trigger</source>
        <translation>記録されたﾌﾚｰﾑ番号とﾄﾘｶﾞｰからの時間</translation>
    </message>
    <message>
        <source>Frame %1: %2</source>
        <translation>ﾌﾚｰﾑ %1: %2</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>不明</translation>
    </message>
    <message>
        <source>default: %1</source>
        <translation>既定: %1</translation>
    </message>
    <message>
        <source>Frames per second, e.g. 50000, 50k or 1.2M; empty: unknown</source>
        <translation>毎秒のﾌﾚｰﾑ数 (例: 50000、50k、1.2M)。空欄は不明</translation>
    </message>
    <message>
        <source>none</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>The rate of recordings that have none of their own</source>
        <translation>撮影速度が設定されていない記録に使う速度</translation>
    </message>
    <message>
        <source>Recording rate (frames/s):</source>
        <translation>撮影速度 (ﾌﾚｰﾑ/秒):</translation>
    </message>
    <message>
        <source>Default rate (frames/s):</source>
        <translation>既定の撮影速度 (ﾌﾚｰﾑ/秒):</translation>
    </message>
</context>
<context>
    <name>PlotWindow</name>
    <message>
        <source>&amp;Copy</source>
        <translation>ｺﾋﾟｰ(&amp;C)</translation>
    </message>
    <message>
        <source>Copy the values as tab-separated text</source>
        <translation>値をﾀﾌﾞ区切りのﾃｷｽﾄとしてｺﾋﾟｰします</translation>
    </message>
    <message>
        <source>&amp;Save As...</source>
        <translation>名前を付けて保存(&amp;S)...</translation>
    </message>
    <message>
        <source>Save the values as CSV, or the plot as a PNG or SVG image</source>
        <translation>値を CSV として、またはｸﾞﾗﾌを PNG か SVG の画像として保存します</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>Cannot save %1.</source>
        <translation>%1 を保存できません。</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>名前を付けて保存</translation>
    </message>
    <message>
        <source>CSV table (*.csv);;PNG image (*.png);;SVG image (*.svg)</source>
        <translation>CSV 表 (*.csv);;PNG 画像 (*.png);;SVG 画像 (*.svg)</translation>
    </message>
</context>
<context>
    <name>PlotOverTimeWindow</name>
    <message>
        <source>Plot Over Time</source>
        <translation>時間変化のｸﾞﾗﾌ</translation>
    </message>
    <message>
        <source>Ellipse</source>
        <translation>楕円</translation>
    </message>
    <message>
        <source>Rectangle</source>
        <translation>矩形</translation>
    </message>
    <message>
        <source>%1 at %2, %3, %4 × %5 px</source>
        <translation>%1 %2, %3, %4 × %5 ﾋﾟｸｾﾙ</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>frames %1 to %2</source>
        <translation>ﾌﾚｰﾑ %1 から %2</translation>
    </message>
    <message>
        <source>X axis:</source>
        <translation>X 軸:</translation>
    </message>
    <message>
        <source>Index</source>
        <translation>ｲﾝﾃﾞｯｸｽ</translation>
    </message>
    <message>
        <source>Recorded number</source>
        <translation>記録番号</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>The recording's rate is not known</source>
        <translation>記録の撮影速度が不明です</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>ｷｬﾝｾﾙ</translation>
    </message>
    <message>
        <source>Stop reading frames; the values so far stay</source>
        <translation>ﾌﾚｰﾑの読み込みを中止します。それまでの値は残ります</translation>
    </message>
    <message>
        <source>%1 of %2 frames</source>
        <translation>%1 / %2 ﾌﾚｰﾑ</translation>
    </message>
    <message>
        <source>%1 frames</source>
        <translation>%1 ﾌﾚｰﾑ</translation>
    </message>
    <message>
        <source>Cancelled after %1 of %2 frames</source>
        <translation>%1 / %2 ﾌﾚｰﾑで中止しました</translation>
    </message>
    <message>
        <source>Stopped after %1 frames: %2</source>
        <translation>%1 ﾌﾚｰﾑで停止しました: %2</translation>
    </message>
    <message>
        <source>Frame index</source>
        <translation>ﾌﾚｰﾑ ｲﾝﾃﾞｯｸｽ</translation>
    </message>
    <message>
        <source>Recorded frame number</source>
        <translation>記録されたﾌﾚｰﾑ番号</translation>
    </message>
    <message>
        <source>Time from the trigger (%1)</source>
        <translation>ﾄﾘｶﾞｰからの時間 (%1)</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>値</translation>
    </message>
</context>
<context>
    <name>LineProfileWindow</name>
    <message>
        <source>Line Profile</source>
        <translation>ﾗｲﾝ ﾌﾟﾛﾌｧｲﾙ</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>値</translation>
    </message>
    <message>
        <source>Position along the line (px)</source>
        <translation>線上の位置 (ﾋﾟｸｾﾙ)</translation>
    </message>
    <message>
        <source>Line from %1, %2 to %3, %4 (%5 px)</source>
        <translation>線 %1, %2 から %3, %4 (%5 ﾋﾟｸｾﾙ)</translation>
    </message>
    <message>
        <source>frame %1</source>
        <translation>ﾌﾚｰﾑ %1</translation>
    </message>
</context>
<context>
    <name>ExportCommand</name>
    <message>
        <source>&amp;Export...	Ctrl+E</source>
        <translation>ｴｸｽﾎﾟｰﾄ(&amp;E)...	Ctrl+E</translation>
    </message>
    <message>
        <source>Export the recording as a video, a PNG sequence or an OME-TIFF stack</source>
        <translation>記録を動画、PNG 連番または OME-TIFF ｽﾀｯｸとして書き出します</translation>
    </message>
    <message>
        <source>Cannot export: %1</source>
        <translation>書き出しできません: %1</translation>
    </message>
    <message>
        <source>Export failed: %1</source>
        <translation>書き出しに失敗しました: %1</translation>
    </message>
    <message>
        <source>Export aborted; no file was kept</source>
        <translation>書き出しを中止しました (ﾌｧｲﾙは残していません)</translation>
    </message>
    <message>
        <source>Export aborted; the first %1 files were kept in %2</source>
        <translation>書き出しを中止しました (最初の %1 個のﾌｧｲﾙを %2 に残しました)</translation>
    </message>
    <message>
        <source>Exported %1 frames to %2</source>
        <translation>%1 ﾌﾚｰﾑを %2 に書き出しました</translation>
    </message>
    <message>
        <source>Exported %1 frames as %2 files to %3</source>
        <translation>%1 ﾌﾚｰﾑを %2 個のﾌｧｲﾙとして %3 に書き出しました</translation>
    </message>
</context>
<context>
    <name>ExportDialog</name>
    <message>
        <source>Export</source>
        <translation>ｴｸｽﾎﾟｰﾄ</translation>
    </message>
    <message>
        <source>MP4 video (H.264)</source>
        <translation>MP4 動画 (H.264)</translation>
    </message>
    <message>
        <source>MKV video (FFV1, lossless)</source>
        <translation>MKV 動画 (FFV1、可逆圧縮)</translation>
    </message>
    <message>
        <source>AVI video (Motion JPEG)</source>
        <translation>AVI 動画 (Motion JPEG)</translation>
    </message>
    <message>
        <source>PNG sequence</source>
        <translation>PNG 連番</translation>
    </message>
    <message>
        <source>OME-TIFF stack</source>
        <translation>OME-TIFF ｽﾀｯｸ</translation>
    </message>
    <message>
        <source>&amp;Format:</source>
        <translation>形式(&amp;F):</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>参照(&amp;B)...</translation>
    </message>
    <message>
        <source>&amp;Output:</source>
        <translation>出力先(&amp;O):</translation>
    </message>
    <message>
        <source>E&amp;xport</source>
        <translation>ｴｸｽﾎﾟｰﾄ(&amp;X)</translation>
    </message>
    <message>
        <source>Frames</source>
        <translation>ﾌﾚｰﾑ</translation>
    </message>
    <message>
        <source>&amp;Range of the bar (%1 to %2)</source>
        <translation>変換区間 (%1 ～ %2)(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;All frames (%1)</source>
        <translation>全区間 (%1 ﾌﾚｰﾑ)(&amp;A)</translation>
    </message>
    <message>
        <source>Keep every Nth frame of the range</source>
        <translation>区間の N ﾌﾚｰﾑごとに 1 ﾌﾚｰﾑを書き出します</translation>
    </message>
    <message>
        <source>St&amp;ep:</source>
        <translation>間隔(&amp;E):</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>画像</translation>
    </message>
    <message>
        <source>&amp;Whole frame</source>
        <translation>ﾌﾚｰﾑ全体(&amp;W)</translation>
    </message>
    <message>
        <source>&amp;Visible area (%1 × %2 at %3, %4)</source>
        <translation>表示中の領域 (%3, %4 から %1 × %2)(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Visible area (zoom in first)</source>
        <translation>表示中の領域 (先に拡大してください)(&amp;V)</translation>
    </message>
    <message>
        <source>Crop:</source>
        <translation>切り抜き:</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>標準</translation>
    </message>
    <message>
        <source>Auto (darkest to brightest of the frames)</source>
        <translation>自動 (ﾌﾚｰﾑの最暗～最明)</translation>
    </message>
    <message>
        <source>Auto 0.5–99.5 % (of the first frame)</source>
        <translation>自動 0.5～99.5 % (最初のﾌﾚｰﾑ)</translation>
    </message>
    <message>
        <source>Custom (%1–%2)</source>
        <translation>ﾕｰｻﾞｰ設定 (%1～%2)</translation>
    </message>
    <message>
        <source>&amp;Display range:</source>
        <translation>表示範囲(&amp;D):</translation>
    </message>
    <message>
        <source>&amp;8 bits (PNG)</source>
        <translation>8bits (PNG)(&amp;8)</translation>
    </message>
    <message>
        <source>Frames per second of the video, or rate/N for slow motion</source>
        <translation>動画の毎秒ﾌﾚｰﾑ数。ｽﾛｰﾓｰｼｮﾝには rate/N</translation>
    </message>
    <message>
        <source>&amp;Playback rate (fps):</source>
        <translation>再生速度 (fps)(&amp;P):</translation>
    </message>
    <message>
        <source>Overlay (8-bit outputs)</source>
        <translation>重ね書き (8bits 出力のみ)</translation>
    </message>
    <message>
        <source>Frame &amp;number</source>
        <translation>ﾌﾚｰﾑ番号(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Time from the trigger</source>
        <translation>ﾄﾘｶﾞｰからの時間(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Scale bar:</source>
        <translation>ｽｹｰﾙﾊﾞｰ(&amp;S):</translation>
    </message>
    <message>
        <source>Pixels = length, e.g. 412=10mm</source>
        <translation>ﾋﾟｸｾﾙ数=長さ (例: 412=10mm)</translation>
    </message>
    <message>
        <source>Choose the output file.</source>
        <translation>出力先のﾌｧｲﾙを指定してください。</translation>
    </message>
    <message>
        <source>Scale bar: %1</source>
        <translation>ｽｹｰﾙﾊﾞｰ: %1</translation>
    </message>
    <message>
        <source>MP4 Videos (*.mp4)</source>
        <translation>MP4 動画 (*.mp4)</translation>
    </message>
    <message>
        <source>Matroska Videos (*.mkv)</source>
        <translation>Matroska 動画 (*.mkv)</translation>
    </message>
    <message>
        <source>AVI Videos (*.avi)</source>
        <translation>AVI 動画 (*.avi)</translation>
    </message>
    <message>
        <source>PNG Images (*.png)</source>
        <translation>PNG 画像 (*.png)</translation>
    </message>
    <message>
        <source>OME-TIFF Stacks (*.ome.tif *.ome.tiff)</source>
        <translation>OME-TIFF ｽﾀｯｸ (*.ome.tif *.ome.tiff)</translation>
    </message>
</context>
<context>
    <name>MeasureTools</name>
    <message>
        <source>&amp;Pointer</source>
        <translation>ﾎﾟｲﾝﾀ(&amp;P)</translation>
    </message>
    <message>
        <source>Pan the zoomed frame by dragging; move and resize shapes by their handles
Pointer</source>
        <translation>ﾄﾞﾗｯｸﾞで拡大したﾌﾚｰﾑを移動し、ﾊﾝﾄﾞﾙで図形を移動・変形
ﾎﾟｲﾝﾀ</translation>
    </message>
    <message>
        <source>&amp;Rectangle</source>
        <translation>矩形(&amp;R)</translation>
    </message>
    <message>
        <source>Draw a rectangular region by dragging
Rectangle</source>
        <translation>ﾄﾞﾗｯｸﾞで矩形の領域を描く
矩形</translation>
    </message>
    <message>
        <source>&amp;Ellipse</source>
        <translation>楕円(&amp;E)</translation>
    </message>
    <message>
        <source>Draw an elliptical region by dragging
Ellipse</source>
        <translation>ﾄﾞﾗｯｸﾞで楕円の領域を描く
楕円</translation>
    </message>
    <message>
        <source>&amp;Line</source>
        <translation>線(&amp;L)</translation>
    </message>
    <message>
        <source>Draw a line by dragging
Line</source>
        <translation>ﾄﾞﾗｯｸﾞで線を描く
線</translation>
    </message>
    <message>
        <source>P&amp;oint</source>
        <translation>点(&amp;O)</translation>
    </message>
    <message>
        <source>Mark a point by clicking
Point</source>
        <translation>ｸﾘｯｸで点を置く
点</translation>
    </message>
    <message>
        <source>&amp;Track</source>
        <translation>追跡(&amp;T)</translation>
    </message>
    <message>
        <source>With the Point tool, each click records the point and shows the next frame</source>
        <translation>点ﾂｰﾙでｸﾘｯｸするたびに点を記録し、次のﾌﾚｰﾑを表示</translation>
    </message>
    <message>
        <source>&amp;New Track</source>
        <translation>新しい追跡(&amp;N)</translation>
    </message>
    <message>
        <source>Start another track in this window</source>
        <translation>このｳｨﾝﾄﾞｳで別の追跡を始める</translation>
    </message>
    <message>
        <source>Clear Trac&amp;ks</source>
        <translation>追跡の消去(&amp;K)</translation>
    </message>
    <message>
        <source>Remove every track of this window</source>
        <translation>このｳｨﾝﾄﾞｳの追跡をすべて消去</translation>
    </message>
    <message>
        <source>&amp;Delete Shape	Del</source>
        <translation>図形の削除(&amp;D)	Del</translation>
    </message>
    <message>
        <source>Remove the selected shape</source>
        <translation>選択した図形を削除</translation>
    </message>
    <message>
        <source>Plot O&amp;ver Time</source>
        <translation>時間変化のｸﾞﾗﾌ(&amp;V)</translation>
    </message>
    <message>
        <source>Plot the selected region's mean, minimum and maximum over the frame range</source>
        <translation>選択した領域の平均・最小・最大をﾌﾚｰﾑ範囲にわたってｸﾞﾗﾌ表示</translation>
    </message>
    <message>
        <source>Line Pro&amp;file</source>
        <translation>ﾗｲﾝ ﾌﾟﾛﾌｧｲﾙ(&amp;F)</translation>
    </message>
    <message>
        <source>Plot the values along the selected line</source>
        <translation>選択した線に沿った値をｸﾞﾗﾌ表示</translation>
    </message>
    <message>
        <source>Set &amp;Scale…</source>
        <translation>ｽｹｰﾙの設定(&amp;S)…</translation>
    </message>
    <message>
        <source>Give the selected line's length as a distance, which calibrates the recording</source>
        <translation>選択した線の長さを距離で指定し、記録を校正</translation>
    </message>
    <message>
        <source>Clear Sc&amp;ale</source>
        <translation>ｽｹｰﾙの消去(&amp;A)</translation>
    </message>
    <message>
        <source>Forget the recording's scale</source>
        <translation>記録のｽｹｰﾙを消去</translation>
    </message>
    <message>
        <source>Scale &amp;Bar</source>
        <translation>ｽｹｰﾙ ﾊﾞｰ(&amp;B)</translation>
    </message>
    <message>
        <source>Show a scale bar over calibrated recordings</source>
        <translation>校正済みの記録にｽｹｰﾙ ﾊﾞｰを表示</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>ﾂｰﾙ(&amp;T)</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>ﾂｰﾙ</translation>
    </message>
    <message>
        <source>Measurements</source>
        <translation>計測</translation>
    </message>
    <message>
        <source>&amp;Measurements</source>
        <translation>計測(&amp;M)</translation>
    </message>
    <message>
        <source>Show or hide the measurements of the active window's shapes</source>
        <translation>作業中のｳｨﾝﾄﾞｳの図形の計測値を表示/非表示</translation>
    </message>
</context>
<context>
    <name>MeasureDock</name>
    <message>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <source>Shape</source>
        <translation>図形</translation>
    </message>
    <message>
        <source>x</source>
        <translation>x</translation>
    </message>
    <message>
        <source>y</source>
        <translation>y</translation>
    </message>
    <message>
        <source>w</source>
        <translation>幅</translation>
    </message>
    <message>
        <source>h</source>
        <translation>高さ</translation>
    </message>
    <message>
        <source>Pixels</source>
        <translation>画素数</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均</translation>
    </message>
    <message>
        <source>Std dev</source>
        <translation>標準偏差</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>Length (px)</source>
        <translation>長さ (画素)</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>長さ</translation>
    </message>
    <message>
        <source>Angle (°)</source>
        <translation>角度 (°)</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>値</translation>
    </message>
    <message>
        <source>Frame</source>
        <translation>ﾌﾚｰﾑ</translation>
    </message>
    <message>
        <source>Displacement (px)</source>
        <translation>変位 (画素)</translation>
    </message>
    <message>
        <source>Displacement</source>
        <translation>変位</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>速度</translation>
    </message>
    <message>
        <source>Rectangle</source>
        <translation>矩形</translation>
    </message>
    <message>
        <source>Ellipse</source>
        <translation>楕円</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>線</translation>
    </message>
    <message>
        <source>Point</source>
        <translation>点</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>ｺﾋﾟｰ</translation>
    </message>
    <message>
        <source>Save as CSV…</source>
        <translation>CSV で保存…</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>追跡</translation>
    </message>
    <message>
        <source>Frame %1</source>
        <translation>ﾌﾚｰﾑ %1</translation>
    </message>
    <message>
        <source>Save as CSV</source>
        <translation>CSV で保存</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV ﾌｧｲﾙ (*.csv)</translation>
    </message>
</context>
<context>
    <name>ScaleDialog</name>
    <message>
        <source>Set Scale</source>
        <translation>ｽｹｰﾙの設定</translation>
    </message>
    <message>
        <source>The selected line is %1 pixels long.</source>
        <translation>選択した線の長さは %1 画素です。</translation>
    </message>
    <message>
        <source>Known distance:</source>
        <translation>実際の距離:</translation>
    </message>
</context>
</TS>
