<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>KIV</name>
    <message>
        <source>KIV点读薄 Version 1.1</source>
        <translation>KIV Talking Book Version 1.1</translation>
    </message>
    <message>
        <source>本程序为免费软件，欢迎复制和分享。</source>
        <translation>This program is free software: copy it and share it.</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>查找</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>开始录音</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>停止录音</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>试听</source>
        <translation>Listen</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>进入点读</source>
        <translation>Start pen reading</translation>
    </message>
    <message>
        <source>查找"内容"的关键字:</source>
        <translation>Find words:</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>条码类型:</source>
        <translation>Barcode type:</translation>
    </message>
    <message>
        <source>打印测试</source>
        <translation>Test print</translation>
    </message>
    <message>
        <source>高度:</source>
        <translation>Height:</translation>
    </message>
    <message>
        <source>线宽:</source>
        <translation>Bar width:</translation>
    </message>
    <message>
        <source>条码字符:</source>
        <translation>Barcode number:</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>点读</source>
        <translation>Pen reading</translation>
    </message>
    <message>
        <source>等待点读笔信息，请保持这个窗口为最前的活动窗口。。。</source>
        <translation>Waiting for the pen. Keep this window in front...</translation>
    </message>
    <message>
        <source>标注内容</source>
        <translation>Annotation</translation>
    </message>
    <message>
        <source>填好了,下一步...</source>
        <translation>Next...</translation>
    </message>
    <message>
        <source>请在下面输入声音的标注信息(32个汉字或64个英文字母数字之内)，以备忘和方便下次查找。</source>
        <translation>Type a note for this sound (up to 32 Chinese characters or 63 letters and digits), to find it again later.</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>关于KIV点读簿</source>
        <translation>About KIV</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>打印条码</source>
        <translation>Print barcode</translation>
    </message>
    <message>
        <source>重新录音</source>
        <translation>Record again</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>删除全部</source>
        <translation>Delete all</translation>
    </message>
    <message>
        <source>清空全部显示</source>
        <translation>Clear the log</translation>
    </message>
    <message>
        <source>点读书</source>
        <translation>Book</translation>
    </message>
    <message>
        <source>新建点读书...</source>
        <translation>New book...</translation>
    </message>
    <message>
        <source>打开点读书...</source>
        <translation>Open book...</translation>
    </message>
    <message>
        <source>导入声音文件...</source>
        <translation>Import sound files...</translation>
    </message>
    <message>
        <source>文字转语音...</source>
        <translation>Text to speech...</translation>
    </message>
    <message>
        <source>打印标签页...</source>
        <translation>Print label sheet...</translation>
    </message>
    <message>
        <source>打包点读书...</source>
        <translation>Pack book...</translation>
    </message>
    <message>
        <source>修改标注...</source>
        <translation>Edit annotation...</translation>
    </message>
    <message>
        <source>用声音文件替换...</source>
        <translation>Replace with a sound file...</translation>
    </message>
    <message>
        <source>语言/Language</source>
        <translation>语言/Language</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>是(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>否(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Annotation</translation>
    </message>
    <message>
        <source>点读记录</source>
        <translation>Pen reading log</translation>
    </message>
    <message>
        <source>声音列表</source>
        <translation>Sound list</translation>
    </message>
    <message>
        <source>条码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>声音类型</source>
        <translation>Sound type</translation>
    </message>
    <message>
        <source>声音文件</source>
        <translation>Sound file</translation>
    </message>
    <message>
        <source>录音音量</source>
        <translation>Recording level</translation>
    </message>
    <message>
        <source>（只读）</source>
        <translation> (read only)</translation>
    </message>
    <message>
        <source>打印标签页</source>
        <translation>Print label sheet</translation>
    </message>
    <message>
        <source>画出标签边框 (用白纸打印时)</source>
        <translation>Draw label outlines (for plain paper)</translation>
    </message>
    <message>
        <source>标签纸:</source>
        <translation>Label sheet:</translation>
    </message>
    <message>
        <source>从第几个标签开始:</source>
        <translation>Start at label:</translation>
    </message>
    <message>
        <source>每个条码印几份:</source>
        <translation>Copies of each barcode:</translation>
    </message>
    <message>
        <source>标签页预览</source>
        <translation>Label sheet preview</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>%1 个标签, %2 页</source>
        <translation>%1 labels, %2 pages</translation>
    </message>
    <message>
        <source>
条码在标签上放不下, 线宽缩小为 %1 毫米</source>
        <translation>
The barcode does not fit on the label: bar width reduced to %1 mm</translation>
    </message>
    <message>
        <source>打印标签页失败</source>
        <translation>Printing the label sheet failed</translation>
    </message>
    <message>
        <source>没有可以打印的录音</source>
        <translation>There are no recordings to print</translation>
    </message>
    <message>
        <source>文件夹 "%1" 不能写入或名称含有不能保存的字符，用户数据文件夹也不能使用：声音库和设置将无法保存！</source>
        <translation>The folder "%1" cannot be written or its name has characters that cannot be stored, and the user data folder cannot be used either: sounds and settings cannot be saved!</translation>
    </message>
    <message>
        <source>设置文件 "%1" 太大（超过 16 MB），没有读取：条码设置使用默认值。</source>
        <translation>The settings file "%1" is too big (over 16 MB) and was not read: the barcode settings are the defaults.</translation>
    </message>
    <message>
        <source>不能保存文件 "%1" ! </source>
        <translation>Cannot save the file "%1"! </translation>
    </message>
    <message>
        <source>文件夹 "%1" 不存在或不能读取，不能作为点读书打开。</source>
        <translation>The folder "%1" does not exist or cannot be read: it cannot be opened as a book.</translation>
    </message>
    <message>
        <source>文件夹 "%1" 的名称含有不能保存的字符，不能作为点读书打开。</source>
        <translation>The name of the folder "%1" has characters that cannot be stored: it cannot be opened as a book.</translation>
    </message>
    <message>
        <source>文件夹 "%1" 的名称太长，不能作为点读书打开。</source>
        <translation>The name of the folder "%1" is too long: it cannot be opened as a book.</translation>
    </message>
    <message>
        <source>不能播放这种类型的文件!</source>
        <translation>Cannot play this kind of file!</translation>
    </message>
    <message>
        <source>条码太大, 纸上放不下</source>
        <translation>The barcode is too big for the paper</translation>
    </message>
    <message>
        <source>请选择编码方式</source>
        <translation>Choose a barcode type</translation>
    </message>
    <message>
        <source>没有保存 %1: %2</source>
        <translation>Not saved %1: %2</translation>
    </message>
    <message>
        <source>已保存 %1 个声音</source>
        <translation>Saved %1 sounds</translation>
    </message>
    <message>
        <source>，%1 个没有保存</source>
        <translation>, %1 not saved</translation>
    </message>
    <message>
        <source>。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>
已取消，其余 %1 个没有处理。</source>
        <translation>
Cancelled: %1 more were not handled.</translation>
    </message>
    <message>
        <source>

已保存:</source>
        <translation>

Saved:</translation>
    </message>
    <message>
        <source>

没有保存:</source>
        <translation>

Not saved:</translation>
    </message>
    <message>
        <source>
……还有 %1 个</source>
        <translation>
... and %1 more</translation>
    </message>
    <message>
        <source>找不到文件（或链接指向不存在的地方）</source>
        <translation>File not found (or the link points nowhere)</translation>
    </message>
    <message>
        <source>这个文件夹已经找过了（链接指回上层文件夹）</source>
        <translation>This folder was searched already (a link points back up)</translation>
    </message>
    <message>
        <source>不能打开文件夹</source>
        <translation>Cannot open the folder</translation>
    </message>
    <message>
        <source>不是普通文件</source>
        <translation>Not a plain file</translation>
    </message>
    <message>
        <source>文件是空的</source>
        <translation>The file is empty</translation>
    </message>
    <message>
        <source>找不到文件</source>
        <translation>File not found</translation>
    </message>
    <message>
        <source>不是能读出的声音文件</source>
        <translation>Not a sound file that can be read</translation>
    </message>
    <message>
        <source>文件里没有声音</source>
        <translation>There is no sound in the file</translation>
    </message>
    <message>
        <source>声音太长，超过了波形文件能存的 4 GB</source>
        <translation>The sound is too long: over the 4 GB a wave file can hold</translation>
    </message>
    <message>
        <source>声音读到一半出错（文件坏了？）</source>
        <translation>Reading the sound failed half way (a damaged file?)</translation>
    </message>
    <message>
        <source>注释里有不能保存的字符，已换成“?”</source>
        <translation>The annotation had characters that cannot be stored: they became "?"</translation>
    </message>
    <message>
        <source>文件不完整，只存了能读出的部分</source>
        <translation>The file is incomplete: only the part that could be read was saved</translation>
    </message>
    <message>
        <source>出错了！</source>
        <translation>Something went wrong!</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>不能启动语音合成（没有普通话语音）</source>
        <translation>Cannot start speech synthesis (no Mandarin voice)</translation>
    </message>
    <message>
        <source>合成不出声音</source>
        <translation>Speech synthesis made no sound</translation>
    </message>
    <message>
        <source>这本点读书已在另一个KIV中打开，现在只能点读，不能修改。</source>
        <translation>This book is open in another KIV: it can be read with the pen but not changed.</translation>
    </message>
    <message>
        <source>不能在文件夹 "%1" 中建立点读书！</source>
        <translation>Cannot make a book in the folder "%1"!</translation>
    </message>
    <message>
        <source>新建点读书：选择或新建一个空文件夹</source>
        <translation>New book: choose or make an empty folder</translation>
    </message>
    <message>
        <source>文件夹 "%1" 中已经有一本点读书，是否打开它？</source>
        <translation>The folder "%1" already holds a book. Open it?</translation>
    </message>
    <message>
        <source>文件夹 "%1" 不是空的，请选择或新建一个空文件夹。</source>
        <translation>The folder "%1" is not empty. Choose or make an empty folder.</translation>
    </message>
    <message>
        <source>打开点读书</source>
        <translation>Open book</translation>
    </message>
    <message>
        <source>文件夹 "%1" 中没有点读书。是否在这里新建一本点读书？</source>
        <translation>The folder "%1" holds no book. Make a new book here?</translation>
    </message>
    <message>
        <source>KIV点读薄 V1.0</source>
        <translation>KIV Talking Book V1.0</translation>
    </message>
    <message>
        <source>KIV点读薄 V1.0 - %1</source>
        <translation>KIV Talking Book V1.0 - %1</translation>
    </message>
    <message>
        <source>标注内容中有无法保存的字符（例如表情符号），请删除这些字符后再试。</source>
        <translation>The annotation has characters that cannot be stored (such as emoji). Remove them and try again.</translation>
    </message>
    <message>
        <source>标注内容太长：最多32个汉字或63个英文字母数字，请删短一些。</source>
        <translation>The annotation is too long: at most 32 Chinese characters or 63 letters and digits. Please shorten it.</translation>
    </message>
    <message>
        <source>含有空格的标注内容不能再含有双引号(")，请改用单引号(')。</source>
        <translation>An annotation with spaces cannot also hold double quotes ("): use single quotes (') instead.</translation>
    </message>
    <message>
        <source>导入声音文件</source>
        <translation>Import sound files</translation>
    </message>
    <message>
        <source>声音文件 (*.wav *.mp3 *.flac *.ogg *.oga *.opus *.aif *.aiff *.au);;所有文件 (*)</source>
        <translation>Sound files (*.wav *.mp3 *.flac *.ogg *.oga *.opus *.aif *.aiff *.au);;All files (*)</translation>
    </message>
    <message>
        <source>没有找到声音文件。</source>
        <translation>No sound files found.</translation>
    </message>
    <message>
        <source>文字转语音</source>
        <translation>Text to speech</translation>
    </message>
    <message>
        <source>关键字中有不能保存的字符（例如表情符号），请修改后再查找。</source>
        <translation>The search words have characters that cannot be stored (such as emoji). Change them and search again.</translation>
    </message>
    <message>
        <source>录音完毕， 是否需要替换编号 "%1" 的声音？ </source>
        <translation>Recording done. Replace the sound of code "%1"? </translation>
    </message>
    <message>
        <source>是否替换？</source>
        <translation>Replace?</translation>
    </message>
    <message>
        <source>录音里听不到声音，请检查麦克风。仍然保存吗？</source>
        <translation>The recording is silent: check the microphone. Save it anyway?</translation>
    </message>
    <message>
        <source>没有声音</source>
        <translation>No sound</translation>
    </message>
    <message>
        <source>保存录音成功, 是否需要打印对应的条码? </source>
        <translation>The recording is saved. Print its barcode? </translation>
    </message>
    <message>
        <source>确定要删除原来的声音并重新录音 ？</source>
        <translation>Delete the old sound and record it again?</translation>
    </message>
    <message>
        <source>现在开始录音，请按"停止录音"替换新的录音。</source>
        <translation>Recording now. Press "Stop recording" to replace the sound with the new one.</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>录音还没有保存，退出KIV会丢掉这段录音。是否继续？</source>
        <translation>The recording is not saved: quitting KIV loses it. Go on?</translation>
    </message>
    <message>
        <source>自动去掉开头和结尾的静音</source>
        <translation>Trim silence at start and end</translation>
    </message>
    <message>
        <source>统一音量</source>
        <translation>Even loudness</translation>
    </message>
    <message>
        <source>确认删除所有声音记录? </source>
        <translation>Delete all sound records? </translation>
    </message>
    <message>
        <source>这本点读书刚被另一个程序改过，已经重新读入。请再选一次要删除的记录。</source>
        <translation>Another program just changed this book; it was read again. Choose the records to delete once more.</translation>
    </message>
    <message>
        <source>录音还没有保存，打开另一本点读书会丢掉这段录音。是否继续？</source>
        <translation>The recording is not saved: opening another book loses it. Go on?</translation>
    </message>
    <message>
        <source>每行文字保存成一个声音，这行文字就是它的注释：</source>
        <translation>Each line becomes one sound, with the line as its annotation:</translation>
    </message>
    <message>
        <source>要转成语音的文字</source>
        <translation>Text to speak</translation>
    </message>
    <message>
        <source>语速：</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source> 字/分钟</source>
        <translation> words/min</translation>
    </message>
    <message>
        <source>不能播放声音，请检查声音设备。</source>
        <translation>Cannot play the sound: check the sound device.</translation>
    </message>
    <message>
        <source>点击“开始录音”录下第一个声音，或从“点读书”菜单导入声音文件、文字转语音。</source>
        <translation>Click "Record" to record the first sound, or import sound files or use text to speech from the "Book" menu.</translation>
    </message>
    <message>
        <source>点读书文件夹 "%1" 不能写入，现在只能点读，不能修改。</source>
        <translation>The book folder "%1" cannot be written: the book can be read with the pen but not changed.</translation>
    </message>
    <message>
        <source>这本点读书在另一台电脑（%1）上于 %2 打开，还没有关闭。如果那台电脑上的KIV已经关闭，可以接管这本点读书。是否接管？</source>
        <translation>This book was opened on another computer (%1) at %2 and has not been closed. If KIV on that computer is closed, you can take the book over. Take it over?</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>超出了磁盘配额</source>
        <translation>the disk quota is used up</translation>
    </message>
    <message>
        <source>磁盘是只读的</source>
        <translation>the disk is read-only</translation>
    </message>
    <message>
        <source>没有写入的权限</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>"KIV_Lib.lock" 是一个文件夹</source>
        <translation>"KIV_Lib.lock" is a folder</translation>
    </message>
    <message>
        <source>读写出错，错误代码 %1</source>
        <translation>read or write error, code %1</translation>
    </message>
    <message>
        <source>点读书文件夹 "%1" 不能写入（%2），现在只能点读，不能修改。</source>
        <translation>The book folder "%1" cannot be written (%2): the book can be read with the pen but not changed.</translation>
    </message>
    <message>
        <source>点读书文件夹的名称 "%1" 里同时有空格和引号（"），索引文件记不下其中的声音文件，现在只能点读，不能修改。请给文件夹换一个名称。</source>
        <translation>The book folder's name "%1" has both a space and a double quote ("), so the index cannot name its sound files: the book can be read with the pen but not changed. Please rename the folder.</translation>
    </message>
    <message>
        <source>条码 "%s"超过了最大允许的编号999999，请重新选择声音库目录。 </source>
        <translation>The code "%s" is over the highest code, 999999. Please choose another book folder. </translation>
    </message>
    <message>
        <source>出错了! 不能保存录制的声音! </source>
        <translation>Something went wrong! The recorded sound cannot be saved! </translation>
    </message>
    <message>
        <source>不能保存文件 "%s" ! </source>
        <translation>Cannot save the file "%s"! </translation>
    </message>
    <message>
        <source>声音库索引文件 "%s" 太大，超过了一百万条记录所能占用的大小，不能打开。</source>
        <translation>The book's index "%s" is too big, bigger than a million records can be: it cannot be opened.</translation>
    </message>
    <message>
        <source>修改标注</source>
        <translation>Edit annotation</translation>
    </message>
    <message>
        <source>用声音文件替换</source>
        <translation>Replace with a sound file</translation>
    </message>
    <message>
        <source>这本点读书只能播放，不能修改。</source>
        <translation>This book can only be played, not changed.</translation>
    </message>
    <message>
        <source>这条记录已经不在点读书里了。</source>
        <translation>This record is no longer in the book.</translation>
    </message>
    <message>
        <source>索引文件里找不到这条记录（也许被别的程序改过），没有修改。</source>
        <translation>The record is not in the index (another program may have changed it): nothing was changed.</translation>
    </message>
    <message>
        <source>这条记录在索引文件里的写法不完整，不能修改标注。</source>
        <translation>The record is incomplete in the index: its annotation cannot be changed.</translation>
    </message>
    <message>
        <source>声音文件 "%1" 不能改写（只读？），没有替换。</source>
        <translation>The sound file "%1" cannot be written (read-only?): it was not replaced.</translation>
    </message>
    <message>
        <source>点读书文件夹里已经有文件 "%1"，它不是这条记录的声音，没有覆盖。</source>
        <translation>The book folder already has a file "%1" that is not this record's sound: it was not overwritten.</translation>
    </message>
    <message>
        <source>不能保存声音文件 "%1"，原来的声音没有改动。</source>
        <translation>Cannot save the sound file "%1": the old sound is unchanged.</translation>
    </message>
    <message>
        <source>声音太长，超过了波形文件能存的 4 GB；原来的声音没有改动。</source>
        <translation>The sound is too long, over the 4 GB a wave file can hold: the old sound is unchanged.</translation>
    </message>
    <message>
        <source>声音读到一半出错（文件坏了？）；原来的声音没有改动。</source>
        <translation>Reading the sound failed half way (a damaged file?): the old sound is unchanged.</translation>
    </message>
    <message>
        <source>不能读取 %1</source>
        <translation>Cannot read %1</translation>
    </message>
    <message>
        <source>%1 太大（超过 1 MB），没有读取</source>
        <translation>%1 is too big (over 1 MB): it was not read</translation>
    </message>
    <message>
        <source>有不能保存的字符，已换成“?”</source>
        <translation>It had characters that cannot be stored: they became "?"</translation>
    </message>
    <message>
        <source>点读书 (KIV_Lib.cfg *.kivbook *.zip);;所有文件 (*)</source>
        <translation>Books (KIV_Lib.cfg *.kivbook *.zip);;All files (*)</translation>
    </message>
    <message>
        <source>有 %1 个声音找不到（或不在点读书文件夹里），不能打包：
%2

仍然打包其余的声音吗？</source>
        <translation>%1 sounds cannot be found (or are outside the book folder) and cannot be packed:
%2

Pack the other sounds anyway?</translation>
    </message>
    <message>
        <source>打包点读书</source>
        <translation>Pack book</translation>
    </message>
    <message>
        <source>点读书文件 (*.kivbook)</source>
        <translation>Book files (*.kivbook)</translation>
    </message>
    <message>
        <source>已把 %1 个声音打包到 "%2"。</source>
        <translation>%1 sounds packed into "%2".</translation>
    </message>
    <message>
        <source>把点读书 "%1" 解压到文件夹
%2
吗？

选“否”另选一个空文件夹。</source>
        <translation>Unpack the book "%1" into the folder
%2
?

Choose "No" to pick another empty folder.</translation>
    </message>
    <message>
        <source>选择一个空文件夹，点读书解压到这里</source>
        <translation>Choose an empty folder to unpack the book into</translation>
    </message>
    <message>
        <source>点读书文件里少了 %1 个声音，这些条码点读时没有声音。</source>
        <translation>%1 sounds are missing from the book file: their codes play nothing.</translation>
    </message>
    <message>
        <source>文件夹 "%1" 里没有能读的点读书索引文件 KIV_Lib.cfg。</source>
        <translation>The folder "%1" has no readable book index KIV_Lib.cfg.</translation>
    </message>
    <message>
        <source>不能写文件 "%1"。</source>
        <translation>Cannot write the file "%1".</translation>
    </message>
    <message>
        <source>不能写文件 "%1"：%2</source>
        <translation>Cannot write the file "%1": %2</translation>
    </message>
    <message>
        <source>不能使用文件夹 "%1"。</source>
        <translation>Cannot use the folder "%1".</translation>
    </message>
    <message>
        <source>"%1" 不是文件夹（或是一个链接）。</source>
        <translation>"%1" is not a folder (or is a link).</translation>
    </message>
    <message>
        <source>文件夹 "%1" 不是空的：点读书只能解压到空文件夹或新文件夹里。</source>
        <translation>The folder "%1" is not empty: a book can only be unpacked into an empty or new folder.</translation>
    </message>
    <message>
        <source>找不到点读书文件 "%1"（或它不是普通文件）。</source>
        <translation>The book file "%1" cannot be found (or is not a plain file).</translation>
    </message>
    <message>
        <source>"%1" 不是点读书文件（不是完整的 zip 压缩包）。</source>
        <translation>"%1" is not a book file (not a complete zip archive).</translation>
    </message>
    <message>
        <source>不能打开点读书文件 "%1"。</source>
        <translation>Cannot open the book file "%1".</translation>
    </message>
    <message>
        <source>"%1" 里的文件太多，不是一本点读书。</source>
        <translation>"%1" holds too many files to be a book.</translation>
    </message>
    <message>
        <source>点读书文件 "%1" 不能解压：%2</source>
        <translation>The book file "%1" cannot be unpacked: %2</translation>
    </message>
    <message>
        <source>压缩包坏了</source>
        <translation>the archive is damaged</translation>
    </message>
    <message>
        <source>"%1" 不在点读书的文件夹里</source>
        <translation>"%1" is outside the book's folder</translation>
    </message>
    <message>
        <source>有文件名既不是 UTF-8 也不是 GBK</source>
        <translation>a file name is neither UTF-8 nor GBK</translation>
    </message>
    <message>
        <source>文件名 "%1" 带有路径、盘符、反斜杠或隐藏文件名</source>
        <translation>the file name "%1" has a path, a drive, a backslash or a hidden name</translation>
    </message>
    <message>
        <source>"%1" 不是普通文件（链接、文件夹或设备）</source>
        <translation>"%1" is not a plain file (a link, folder or device)</translation>
    </message>
    <message>
        <source>"%1" 加了密码</source>
        <translation>"%1" has a password</translation>
    </message>
    <message>
        <source>"%1" 的压缩方式不能读</source>
        <translation>"%1" is compressed in a way that cannot be read</translation>
    </message>
    <message>
        <source>"%1" 解压后大得不合常理（压缩炸弹？）</source>
        <translation>"%1" would be unreasonably big unpacked (a zip bomb?)</translation>
    </message>
    <message>
        <source>文件名 "%1" 出现了两次</source>
        <translation>the file name "%1" appears twice</translation>
    </message>
    <message>
        <source>里面没有点读书索引文件 KIV_Lib.cfg</source>
        <translation>it has no book index KIV_Lib.cfg</translation>
    </message>
    <message>
        <source>索引文件太大</source>
        <translation>the index is too big</translation>
    </message>
    <message>
        <source>索引文件读不完整</source>
        <translation>the index cannot be read completely</translation>
    </message>
    <message>
        <source>不能建立文件夹 "%1"。</source>
        <translation>Cannot make the folder "%1".</translation>
    </message>
    <message>
        <source>磁盘空间不够：解压这本点读书需要 %1 MB。</source>
        <translation>Not enough disk space: unpacking this book needs %1 MB.</translation>
    </message>
    <message>
        <source>不能在文件夹 "%1" 里写文件。</source>
        <translation>Cannot write files in the folder "%1".</translation>
    </message>
    <message>
        <source>点读书文件 "%1" 坏了（"%2" 读不出来）。</source>
        <translation>The book file "%1" is damaged ("%2" cannot be read).</translation>
    </message>
    <message>
        <source>解压 "%1" 时出错（磁盘满了？），没有留下解压了一半的点读书。</source>
        <translation>Unpacking "%1" failed (disk full?): no half-unpacked book was left.</translation>
    </message>
    <message>
        <source>点读书里的 "%1" 链接到点读书文件夹以外的文件 "%2"，KIV不会通过它写入别处的文件。现在只能点读，不能修改。</source>
        <translation>"%1" in the book is a link to the file "%2" outside the book folder, and KIV does not write anywhere else through it: the book can be read with the pen but not changed.</translation>
    </message>
    <message>
        <source>KIV点读薄：录音、标注、打印条码标签，用点读笔点读播放。</source>
        <translation>KIV Talking Book: record sounds, annotate them, print barcode labels and play them with a reading pen.</translation>
    </message>
    <message>
        <source>文件夹</source>
        <translation>folder</translation>
    </message>
    <message>
        <source>打开这个文件夹里的点读书</source>
        <translation>Open the book in this folder</translation>
    </message>
    <message>
        <source>[文件夹]</source>
        <translation>[folder]</translation>
    </message>
    <message>
        <source>整本点读书</source>
        <translation>Whole book</translation>
    </message>
    <message>
        <source>列表中选中的</source>
        <translation>Selected in the list</translation>
    </message>
    <message>
        <source> (%1 个录音)</source>
        <translation> (%1 recordings)</translation>
    </message>
    <message>
        <source>编码从</source>
        <translation>Codes from</translation>
    </message>
    <message>
        <source>到</source>
        <translation>to</translation>
    </message>
    <message>
        <source>起始编码</source>
        <translation>First code</translation>
    </message>
    <message>
        <source>结束编码</source>
        <translation>Last code</translation>
    </message>
    <message>
        <source>预览...</source>
        <translation>Preview...</translation>
    </message>
    <message>
        <source>编码要写满六位数字, 例如 000001</source>
        <translation>codes have six digits, for example 000001</translation>
    </message>
    <message>
        <source>起始编码 %1 大于结束编码 %2</source>
        <translation>the first code %1 is greater than the last code %2</translation>
    </message>
    <message>
        <source>编码范围不对: %1</source>
        <translation>The range of codes is wrong: %1</translation>
    </message>
    <message>
        <source>编码 %1 到 %2 之间没有录音</source>
        <translation>No recordings between codes %1 and %2</translation>
    </message>
    <message>
        <source>把点读书 "%1" 的索引和 %2 个声音 (%3 MB) 打包成一个 .kivbook 文件, 拷给别人, 用 KIV 打开就能点读。</source>
        <translation>Packs the index and the %2 sounds (%3 MB) of the book "%1" into one .kivbook file: copy it to somebody, and KIV opens it ready for the pen.</translation>
    </message>
    <message>
        <source>同时放入标签页 (按编码顺序的 PDF), 标签纸:</source>
        <translation>Include the label sheet (a PDF in code order) on:</translation>
    </message>
    <message>
        <source>标签纸</source>
        <translation>Label sheet</translation>
    </message>
    <message>
        <source>打包...</source>
        <translation>Pack...</translation>
    </message>
    <message>
        <source>"%1" 已经存在，但不是普通文件，不能写成点读书文件。</source>
        <translation>"%1" exists and is not a plain file: it cannot become a book file.</translation>
    </message>
    <message>
        <source>不能在 "%1" 旁边写标签页。</source>
        <translation>Cannot write the label sheet beside "%1".</translation>
    </message>
    <message>
        <source>播放文件 "%1" !</source>
        <translation>Playing "%1"</translation>
    </message>
    <message>
        <source>找不到文件"%1", 播放失败! </source>
        <translation>File "%1" not found: it cannot be played.</translation>
    </message>
    <message>
        <source>不能支持的文件格式 "%1" --- "%2" !</source>
        <translation>Sound type "%1" is not supported --- "%2"</translation>
    </message>
    <message>
        <source>文件 "%1" 已经存在, 是否覆盖? </source>
        <translation>The file "%1" already exists. Replace it?</translation>
    </message>
    <message>
        <source>保存"%1"失败！</source>
        <translation>Saving "%1" failed!</translation>
    </message>
</context>
</TS>
