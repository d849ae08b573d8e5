<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
  <context>
    <name>orbix</name>
    <message>
      <source>初始化高频头失败!</source>
      <translation>The tuner failed to initialise!</translation>
    </message>
    <message>
      <source>载波搜索后未能锁定</source>
      <translation>No lock after the carrier search</translation>
    </message>
    <message>
      <source>解调器没有应答</source>
      <translation>The demodulator does not answer</translation>
    </message>
    <message>
      <source>OrbixRx 开发组</source>
      <translation>The OrbixRx developers</translation>
    </message>
    <message>
      <source>关于 OrbixCenter</source>
      <translation>About OrbixCenter</translation>
    </message>
    <message>
      <source>确定</source>
      <translation>OK</translation>
    </message>
    <message>
      <source>关于</source>
      <translation>About</translation>
    </message>
    <message>
      <source>最小化</source>
      <translation>Minimise</translation>
    </message>
    <message>
      <source>关闭</source>
      <translation>Close</translation>
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
      <source>保存</source>
      <translation>Save</translation>
    </message>
    <message>
      <source>参数设置</source>
      <translation>Settings</translation>
    </message>
    <message>
      <source>显示节目列表</source>
      <translation>Show the program list</translation>
    </message>
    <message>
      <source>关闭节目列表</source>
      <translation>Close the program list</translation>
    </message>
    <message>
      <source>增加节目</source>
      <translation>Add a program</translation>
    </message>
    <message>
      <source>删除节目</source>
      <translation>Delete the program</translation>
    </message>
    <message>
      <source>修改节目</source>
      <translation>Edit the program</translation>
    </message>
    <message>
      <source>关闭参数列表</source>
      <translation>Close the satellite list</translation>
    </message>
    <message>
      <source>增加卫星及转发器参数</source>
      <translation>Add a satellite and transponder</translation>
    </message>
    <message>
      <source>删除卫星或转发器参数</source>
      <translation>Delete the satellite or transponder</translation>
    </message>
    <message>
      <source>编辑参数</source>
      <translation>Edit the parameters</translation>
    </message>
    <message>
      <source>锁定转发器</source>
      <translation>Lock the transponder</translation>
    </message>
    <message>
      <source>搜索转发器</source>
      <translation>Search the transponder</translation>
    </message>
    <message>
      <source>供电方式：</source>
      <translation>LNB power:</translation>
    </message>
    <message>
      <source>垂直</source>
      <translation>Vertical</translation>
    </message>
    <message>
      <source>水平</source>
      <translation>Horizontal</translation>
    </message>
    <message>
      <source>关</source>
      <translation>Off</translation>
    </message>
    <message>
      <source>LNB类型：</source>
      <translation>LNB type:</translation>
    </message>
    <message>
      <source>自定义</source>
      <translation>Custom</translation>
    </message>
    <message>
      <source>前向纠错：</source>
      <translation>FEC:</translation>
    </message>
    <message>
      <source>自动</source>
      <translation>Auto</translation>
    </message>
    <message>
      <source>开</source>
      <translation>On</translation>
    </message>
    <message>
      <source>波段：</source>
      <translation>22 kHz band:</translation>
    </message>
    <message>
      <source>卫星参数设置</source>
      <translation>Satellite parameters</translation>
    </message>
    <message>
      <source>卫星名：</source>
      <translation>Satellite:</translation>
    </message>
    <message>
      <source>转发器：</source>
      <translation>Transponder:</translation>
    </message>
    <message>
      <source>下行频率：</source>
      <translation>Downlink frequency:</translation>
    </message>
    <message>
      <source>符号率：</source>
      <translation>Symbol rate:</translation>
    </message>
    <message>
      <source>取消</source>
      <translation>Cancel</translation>
    </message>
    <message>
      <source>请选择你要删除的卫星，或者转发器!</source>
      <translation>Please select the satellite or transponder to delete!</translation>
    </message>
    <message>
      <source>请选择卫星列表中的一个转发器!</source>
      <translation>Please select a transponder in the satellite list!</translation>
    </message>
    <message>
      <source>请选择卫星接点下的转发器!</source>
      <translation>Please select a transponder under a satellite!</translation>
    </message>
    <message>
      <source>请输入卫星名和转发器名!</source>
      <translation>Please enter the satellite and transponder names!</translation>
    </message>
    <message>
      <source>输入的参数以存在，请重新输入</source>
      <translation>These parameters exist already, please enter others</translation>
    </message>
    <message>
      <source>该转发器已经存在，确定要修改该参数吗？</source>
      <translation>This transponder exists already. Change its parameters?</translation>
    </message>
    <message>
      <source>请等待搜索节目完成!</source>
      <translation>Please wait until the program search is done!</translation>
    </message>
    <message>
      <source>请等待搜索节目完成！</source>
      <translation>Please wait until the program search is done.</translation>
    </message>
    <message>
      <source>请选中转发器！</source>
      <translation>Please select a transponder.</translation>
    </message>
    <message>
      <source>搜索网络</source>
      <translation>Search the network</translation>
    </message>
    <message>
      <source>请选中你想锁定的转发器!</source>
      <translation>Please select the transponder you want to lock!</translation>
    </message>
    <message>
      <source>请等待搜索中</source>
      <translation>Searching, please wait</translation>
    </message>
    <message>
      <source>导入频道文件…</source>
      <translation>Import a channel file…</translation>
    </message>
    <message>
      <source>导出卫星到频道文件…</source>
      <translation>Export the satellite to a channel file…</translation>
    </message>
    <message>
      <source>导入频道文件</source>
      <translation>Import a channel file</translation>
    </message>
    <message>
      <source>导出卫星到频道文件</source>
      <translation>Export the satellite to a channel file</translation>
    </message>
    <message>
      <source>LNB类型</source>
      <translation>LNB type</translation>
    </message>
    <message>
      <source>用哪种LNB接收这些转发器：</source>
      <translation>Which LNB receives these transponders:</translation>
    </message>
    <message>
      <source>通用Ku（本振9750/10600，11700 MHz以上开22K）</source>
      <translation>Universal Ku (LO 9750/10600, 22 kHz on above 11700 MHz)</translation>
    </message>
    <message>
      <source>C波段（本振5150）</source>
      <translation>C band (LO 5150)</translation>
    </message>
    <message>
      <source>单本振Ku（输入本振频率）</source>
      <translation>Single-LO Ku (enter the LO frequency)</translation>
    </message>
    <message>
      <source>本振频率[MHz]：</source>
      <translation>LO frequency [MHz]:</translation>
    </message>
    <message>
      <source>请选择要导出的卫星!</source>
      <translation>Please select the satellite to export!</translation>
    </message>
    <message>
      <source>节目信息</source>
      <translation>Program information</translation>
    </message>
    <message>
      <source>请检查信号是否锁定!</source>
      <translation>Please check that the signal is locked!</translation>
    </message>
    <message>
      <source>无法播放加扰节目!</source>
      <translation>A scrambled program cannot be played!</translation>
    </message>
    <message>
      <source>您所保存的是加扰节目，无法播放！</source>
      <translation>The program you save is scrambled and cannot be played.</translation>
    </message>
    <message>
      <source>请选择一个节目！</source>
      <translation>Please select a program.</translation>
    </message>
    <message>
      <source>请选择一个要删除的节目！</source>
      <translation>Please select a program to delete.</translation>
    </message>
    <message>
      <source>节目名称取自SDT</source>
      <translation>Program names from the SDT</translation>
    </message>
    <message>
      <source>无编码标识的文字</source>
      <translation>Text without a character set mark</translation>
    </message>
    <message>
      <source>ISO 6937（标准）</source>
      <translation>ISO 6937 (standard)</translation>
    </message>
    <message>
      <source>PID值只能是'0-9','a-f','A-F'!</source>
      <translation>A PID may hold only '0-9', 'a-f', 'A-F'!</translation>
    </message>
    <message>
      <source>非法的PID值</source>
      <translation>Invalid PID value</translation>
    </message>
    <message>
      <source>你添加的PID已经达到32个,如果想添加请先删除一些再操作!</source>
      <translation>You have added 32 PIDs already; to add another, delete some first!</translation>
    </message>
    <message>
      <source>非法的PID值!</source>
      <translation>Invalid PID value!</translation>
    </message>
    <message>
      <source>PID重复,请重新输入!</source>
      <translation>Duplicate PID, please enter another!</translation>
    </message>
    <message>
      <source>增加</source>
      <translation>Add</translation>
    </message>
    <message>
      <source>全选</source>
      <translation>Select all</translation>
    </message>
    <message>
      <source>全不选</source>
      <translation>Select none</translation>
    </message>
    <message>
      <source>删除</source>
      <translation>Delete</translation>
    </message>
    <message>
      <source>删除所有</source>
      <translation>Delete all</translation>
    </message>
    <message>
      <source>PID设置</source>
      <translation>PID settings</translation>
    </message>
    <message>
      <source>新PID值(十六进制)</source>
      <translation>New PID (hexadecimal)</translation>
    </message>
    <message>
      <source>节目PID参数</source>
      <translation>Program PIDs</translation>
    </message>
    <message>
      <source>节目名：</source>
      <translation>Program:</translation>
    </message>
    <message>
      <source>节目类型</source>
      <translation>Program type</translation>
    </message>
    <message>
      <source>音频PID1</source>
      <translation>Audio PID 1</translation>
    </message>
    <message>
      <source>音频PID2</source>
      <translation>Audio PID 2</translation>
    </message>
    <message>
      <source>视频PID</source>
      <translation>Video PID</translation>
    </message>
    <message>
      <source>提供商</source>
      <translation>Provider</translation>
    </message>
    <message>
      <source>程序已经加载!</source>
      <translation>The program is running already!</translation>
    </message>
    <message>
      <source>系统启动未完成，请稍后执行本软件!</source>
      <translation>The system has not finished starting; please run this program later!</translation>
    </message>
    <message>
      <source>正在保存节目</source>
      <translation>Saving the program</translation>
    </message>
    <message>
      <source>显示主界面</source>
      <translation>Show the main window</translation>
    </message>
    <message>
      <source>隐藏主界面</source>
      <translation>Hide the main window</translation>
    </message>
    <message>
      <source>退出</source>
      <translation>Quit</translation>
    </message>
    <message>
      <source>关于 OrbixCenter(&amp;A)...</source>
      <translation>&amp;About OrbixCenter...</translation>
    </message>
    <message>
      <source>码流统计</source>
      <translation>Stream statistics</translation>
    </message>
    <message>
      <source>寻星信号表</source>
      <translation>Aiming meter</translation>
    </message>
    <message>
      <source>寻星信号表...</source>
      <translation>Aiming meter...</translation>
    </message>
    <message>
      <source>信号强度</source>
      <translation>Level</translation>
    </message>
    <message>
      <source>信号质量</source>
      <translation>Quality</translation>
    </message>
    <message>
      <source>峰值</source>
      <translation>Peak</translation>
    </message>
    <message>
      <source>峰值复位</source>
      <translation>Reset peak</translation>
    </message>
    <message>
      <source>提示音</source>
      <translation>Tick</translation>
    </message>
    <message>
      <source>导出CSV...</source>
      <translation>Export CSV...</translation>
    </message>
    <message>
      <source>分钟</source>
      <translation>min</translation>
    </message>
    <message>
      <source>没有可用的声音设备</source>
      <translation>No sound device available</translation>
    </message>
    <message>
      <source>无法写入文件!</source>
      <translation>The file cannot be written!</translation>
    </message>
    <message>
      <source>无法接收码流</source>
      <translation>The stream cannot be received</translation>
    </message>
    <message>
      <source>数据包/秒 %1   数据包 %2   错误数据包 %3</source>
      <translation>Packets/s %1   packets %2   bad packets %3</translation>
    </message>
    <message>
      <source>PID|包/秒|kbit/s|包数|连续计数错误|传输错误|加扰|最后收到</source>
      <translation>PID|Packets/s|kbit/s|Packets|CC errors|TEI|Scrambled|Last seen</translation>
    </message>
    <message>
      <source>从未</source>
      <translation>never</translation>
    </message>
    <message>
      <source>%1 秒前</source>
      <translation>%1 s ago</translation>
    </message>
    <message>
      <source>是</source>
      <translation>yes</translation>
    </message>
    <message>
      <source>否</source>
      <translation>no</translation>
    </message>
    <message>
      <source>接收IP数据</source>
      <translation>Receive IP data</translation>
    </message>
    <message>
      <source>未设置网络接口</source>
      <translation>No network interface set</translation>
    </message>
    <message>
      <source>已停止接收IP数据</source>
      <translation>IP data reception stopped</translation>
    </message>
    <message>
      <source>请先在PID设置中选择IP数据的PID!</source>
      <translation>Please choose the IP data PIDs in the PID settings first!</translation>
    </message>
    <message>
      <source>请在SATSETUPL.ini的[IPDATA]中用TUN=设置网络接口!</source>
      <translation>Please set the network interface with TUN= in [IPDATA] of SATSETUPL.ini!</translation>
    </message>
    <message>
      <source>锁定成功！</source>
      <translation> locked!</translation>
    </message>
    <message>
      <source>锁定中！</source>
      <translation> locking!</translation>
    </message>
    <message>
      <source>信号锁定—Orbix多媒体数据接收卡</source>
      <translation>Signal locked - Orbix multimedia data receiver</translation>
    </message>
    <message>
      <source>信号未锁定—Orbix多媒体数据接收卡</source>
      <translation>Signal not locked - Orbix multimedia data receiver</translation>
    </message>
    <message>
      <source>信号处于无定状态</source>
      <translation>Signal state unknown</translation>
    </message>
    <message>
      <source>请选中您想播放的节目节目</source>
      <translation>Please select the program you want to play</translation>
    </message>
    <message>
      <source>正在保存节目，要停止保存请按关闭按纽!</source>
      <translation>Saving a program; press the close button to stop saving!</translation>
    </message>
    <message>
      <source>正在播放%s</source>
      <translation>Playing %s</translation>
    </message>
    <message>
      <source>正在保存%s</source>
      <translation>Saving %s</translation>
    </message>
    <message>
      <source>请检查信号是否锁定！</source>
      <translation>Please check that the signal is locked.</translation>
    </message>
    <message>
      <source>请先搜索节目！</source>
      <translation>Please search for programs first.</translation>
    </message>
    <message>
      <source>不能保存IP节目</source>
      <translation>An IP program cannot be saved</translation>
    </message>
    <message>
      <source>请选中一个节目</source>
      <translation>Please select a program</translation>
    </message>
    <message>
      <source>正在保存%s,是否放弃保存%s,开始保存%s?</source>
      <translation>Saving %s. Stop saving %s and start saving %s?</translation>
    </message>
    <message>
      <source>无法启动VLC播放器，请检查是否已安装VLC!</source>
      <translation>The VLC player cannot start; please check that VLC is installed!</translation>
    </message>
    <message>
      <source>播放器以用户%s运行，该用户无法写入文件%s，请另选保存位置!</source>
      <translation>The player runs as user %s, who cannot write the file %s; please choose another place to save!</translation>
    </message>
    <message>
      <source>保存失败!</source>
      <translation>Saving failed!</translation>
    </message>
    <message>
      <source>无法关闭VLC</source>
      <translation>VLC cannot be closed</translation>
    </message>
    <message>
      <source>搜索节目完毕</source>
      <translation>Program search done</translation>
    </message>
    <message>
      <source>无法建立网络接收</source>
      <translation>network reception cannot be set up</translation>
    </message>
    <message>
      <source>无法打开接收端口</source>
      <translation>the receiving port cannot be opened</translation>
    </message>
    <message>
      <source>没有收到节目列表</source>
      <translation>no program table received</translation>
    </message>
    <message>
      <source>节目列表是空的</source>
      <translation>the program table is empty</translation>
    </message>
    <message>
      <source>信号中断，没有收到节目信息</source>
      <translation>the signal broke off; no program information received</translation>
    </message>
    <message>
      <source>无法关闭网络接收</source>
      <translation>network reception cannot be closed</translation>
    </message>
    <message>
      <source>搜索被中止</source>
      <translation>the search was stopped</translation>
    </message>
    <message>
      <source>没有收到节目名称表，节目按编号命名</source>
      <translation>No service name table received; the programs are named by number</translation>
    </message>
    <message>
      <source>节目</source>
      <translation>Program</translation>
    </message>
    <message>
      <source>已锁定但无数据，请检查网络和防火墙</source>
      <translation>Locked but no data; check the network and firewall</translation>
    </message>
    <message>
      <source>信号锁定但无数据—请运行orbixctl doctor</source>
      <translation>Locked but no data - please run orbixctl doctor</translation>
    </message>
    <message>
      <source>您没有安装卫星接收卡!</source>
      <translation>No satellite receiver card is installed!</translation>
    </message>
    <message>
      <source>请重新发送一遍PID!</source>
      <translation>Please send the PIDs once more!</translation>
    </message>
    <message>
      <source>读取配置文件出错!</source>
      <translation>Error reading the configuration file!</translation>
    </message>
    <message>
      <source>捕捉到软件冲突，已恢复！</source>
      <translation>A software conflict was caught and repaired.</translation>
    </message>
    <message>
      <source>93C46错误，内部寄存器0x51错误!</source>
      <translation>93C46 error, internal register 0x51 wrong!</translation>
    </message>
    <message>
      <source>本软件与当前硬件版本不匹配，请与设备供应商联系！</source>
      <translation>This software does not match the hardware version; please contact the supplier.</translation>
    </message>
    <message>
      <source>文件 %s 第%d行：</source>
      <translation>File %s line %d: </translation>
    </message>
    <message>
      <source>文件 %s：</source>
      <translation>File %s: </translation>
    </message>
    <message>
      <source>无法读取。</source>
      <translation>cannot be read.</translation>
    </message>
    <message>
      <source>文件太大（超过4 MB），不是频道文件。</source>
      <translation>too large (over 4 MB), not a channel file.</translation>
    </message>
    <message>
      <source>行太长（超过1024个字节），不是频道文件。</source>
      <translation>line too long (over 1024 bytes), not a channel file.</translation>
    </message>
    <message>
      <source>含有控制字符，不是文本格式的频道文件。</source>
      <translation>holds control characters, not a text channel file.</translation>
    </message>
    <message>
      <source>频道名的方括号不完整。</source>
      <translation>the brackets of the channel name are incomplete.</translation>
    </message>
    <message>
      <source>缺少“=”，应为“键 = 值”。</source>
      <translation>"=" missing; expected "key = value".</translation>
    </message>
    <message>
      <source>“键 = 值”出现在第一个 [频道] 之前。</source>
      <translation>"key = value" before the first [channel].</translation>
    </message>
    <message>
      <source>频道缺少 DELIVERY_SYSTEM。</source>
      <translation>the channel has no DELIVERY_SYSTEM.</translation>
    </message>
    <message>
      <source>DVB-S 频道缺少 FREQUENCY、SYMBOL_RATE 或 POLARIZATION。</source>
      <translation>the DVB-S channel lacks FREQUENCY, SYMBOL_RATE or POLARIZATION.</translation>
    </message>
    <message>
      <source>数值无效（应为不带符号的十进制整数）。</source>
      <translation>invalid number (expected an unsigned decimal integer).</translation>
    </message>
    <message>
      <source>频率不在 1 到 30000 MHz 之间。</source>
      <translation>the frequency is not between 1 and 30000 MHz.</translation>
    </message>
    <message>
      <source>符号率不在 100 kS/s 到 100000 kS/s 之间。</source>
      <translation>the symbol rate is not between 100 kS/s and 100000 kS/s.</translation>
    </message>
    <message>
      <source>POLARIZATION 应为 VERTICAL、HORIZONTAL、LEFT 或 RIGHT。</source>
      <translation>POLARIZATION must be VERTICAL, HORIZONTAL, LEFT or RIGHT.</translation>
    </message>
    <message>
      <source>没有任何频道。</source>
      <translation>no channels at all.</translation>
    </message>
    <message>
      <source>跳过%d个 DVB-S2 频道（本卡的解调器只支持 DVB-S）。</source>
      <translation>Skipped %d DVB-S2 channels (the card's demodulator does DVB-S only).</translation>
    </message>
    <message>
      <source>跳过%d个其他传输系统的频道（只导入 DVB-S）。</source>
      <translation>Skipped %d channels of other delivery systems (only DVB-S is imported).</translation>
    </message>
    <message>
      <source>%d个转发器的频率不在所选LNB的接收范围内（中频950到2150 MHz），请检查LNB类型。</source>
      <translation>%d transponders lie outside the chosen LNB's range (IF 950 to 2150 MHz); please check the LNB type.</translation>
    </message>
    <message>
      <source>跳过%d个频率或符号率超出范围的 DVB-S 频道（第一个在第%d行）。</source>
      <translation>Skipped %d DVB-S channels with frequency or symbol rate out of range (the first on line %d).</translation>
    </message>
    <message>
      <source>文件名“%s”不能直接作卫星名，卫星名改为“%s”。</source>
      <translation>The file name "%s" cannot be a satellite name as it is; the satellite is named "%s".</translation>
    </message>
    <message>
      <source>频道数据库中没有卫星“%s”。</source>
      <translation>The channel database has no satellite "%s".</translation>
    </message>
    <message>
      <source>%d个转发器的极化不是垂直或水平、或频率和符号率超出范围，没有导出。</source>
      <translation>%d transponders with polarisation other than vertical or horizontal, or frequency or symbol rate out of range, were not exported.</translation>
    </message>
    <message>
      <source>卫星“%s”：%s个转发器已导出。</source>
      <translation>Satellite "%s": %s transponders exported.</translation>
    </message>
    <message>
      <source>无法写入。</source>
      <translation>cannot be written.</translation>
    </message>
    <message>
      <source>卫星名和转发器名不能包含控制字符!</source>
      <translation>Satellite and transponder names cannot contain control characters!</translation>
    </message>
    <message>
      <source>卫星名和转发器名含有无法识别的字符!</source>
      <translation>Satellite and transponder names contain unknown characters!</translation>
    </message>
    <message>
      <source>卫星名和转发器名的首尾不能有空格!</source>
      <translation>Satellite and transponder names cannot begin or end with a blank!</translation>
    </message>
    <message>
      <source>卫星名和转发器名不能包含字符 | 或 = !</source>
      <translation>Satellite and transponder names cannot contain | or = !</translation>
    </message>
    <message>
      <source>卫星名不能包含字符 [ 或 ]，也不能用引号括起来!</source>
      <translation>A satellite name cannot contain [ or ], nor be in quotes!</translation>
    </message>
    <message>
      <source>卫星名不能是 Main、Last、Lock、Default、PID 或 IP，请换一个名字!</source>
      <translation>A satellite cannot be named Main, Last, Lock, Default, PID or IP; please choose another name!</translation>
    </message>
    <message>
      <source>卫星名不能超过19个字节（一个汉字占两个字节）!</source>
      <translation>A satellite name cannot be longer than 19 bytes (a Chinese character takes two)!</translation>
    </message>
    <message>
      <source>转发器名不能超过12个字符!</source>
      <translation>A transponder name cannot be longer than 12 characters!</translation>
    </message>
    <message>
      <source>已有一颗只是字母大小写不同的卫星，请使用与它完全相同的名字!</source>
      <translation>A satellite differing only in letter case exists; please use exactly its name!</translation>
    </message>
    <message>
      <source>转发器参数太长，请缩短所填的内容!</source>
      <translation>The transponder parameters are too long; please shorten them!</translation>
    </message>
    <message>
      <source>频道数据库中的卫星数或转发器数不在0到9999之间，文件可能已损坏，本次修改没有保存。请先修正 SATSETUPL.ini 中的 NUM 或 NUMTP。</source>
      <translation>The number of satellites or transponders in the channel database is not between 0 and 9999; the file may be damaged and this change was not saved. Please first correct NUM or NUMTP in SATSETUPL.ini.</translation>
    </message>
    <message>
      <source>无法写入频道数据库文件，文件没有改动。</source>
      <translation>The channel database file cannot be written; it is unchanged.</translation>
    </message>
    <message>
      <source>卫星“%s”：新增%d个转发器</source>
      <translation>Satellite "%s": %d transponders added</translation>
    </message>
    <message>
      <source>（新卫星）</source>
      <translation> (new satellite)</translation>
    </message>
    <message>
      <source>，%d个与已有转发器重复（同极化、频率相差不超过2 MHz），未导入</source>
      <translation>, %d duplicates of stored transponders (same polarisation, within 2 MHz) not imported</translation>
    </message>
    <message>
      <source>，%d个的名称已被参数不同的转发器占用，未导入</source>
      <translation>, %d whose names belong to transponders with other parameters not imported</translation>
    </message>
    <message>
      <source>电视节目</source>
      <translation>TV</translation>
    </message>
    <message>
      <source>广播节目</source>
      <translation>Radio</translation>
    </message>
    <message>
      <source>IP节目</source>
      <translation>IP</translation>
    </message>
    <message>
      <source>(加扰)</source>
      <translation>(scrambled)</translation>
    </message>
    <message>
      <source>加扰</source>
      <translation>scrambled</translation>
    </message>
    <message>
      <source>请先锁定%1然后再搜索</source>
      <translation>Please lock %1 first, then search</translation>
    </message>
    <message>
      <source>搜索节目完毕：%1</source>
      <translation>Program search done: %1</translation>
    </message>
    <message>
      <source>请重新搜索：%1</source>
      <translation>Please search again: %1</translation>
    </message>
    <message>
      <source>无法接收IP数据: %1</source>
      <translation>Cannot receive IP data: %1</translation>
    </message>
    <message>
      <source>正在接收IP数据(%1) 数据报%2 字节%3 丢弃%4</source>
      <translation>Receiving IP data (%1)  datagrams %2  bytes %3  dropped %4</translation>
    </message>
    <message>
      <source>IP数据(%1)   段 %2   数据报 %3   字节 %4   CRC错误 %5   丢弃 %6</source>
      <translation>IP data (%1)   sections %2   datagrams %3   bytes %4   CRC errors %5   dropped %6</translation>
    </message>
    <message>
      <source>无法播放或保存：节目需要%1个PID位置，但用户PID列表（PID设置）已占用PID表32个位置中的%2个。请先在PID设置中取消一些PID!</source>
      <translation>Cannot play or record: the program needs %1 PID slots, but the user PID list (PID settings) already takes %2 of the PID table's 32 slots. Please remove some PIDs in the PID settings first!</translation>
    </message>
    <message>
      <source>录制文件%1仍是空的：播放器在运行，但卡没有送来节目数据。请检查信号、节目的PID和网络接收!</source>
      <translation>The recording %1 is still empty: the player runs, but the card sent no program data. Please check the signal, the program's PIDs and the network reception!</translation>
    </message>
    <message>
      <source>录制文件%1仍是空的：播放器已经退出，没有写入任何数据（播放器失败）!</source>
      <translation>The recording %1 is still empty: the player has ended without writing any data (the player failed)!</translation>
    </message>
    <message>
      <source>用户PID列表（PID设置）占用了PID表32个位置中的%1个，搜索没有位置，请先在PID设置中取消一些PID</source>
      <translation>the user PID list (PID settings) takes %1 of the PID table's 32 slots, which leaves the search no room; please remove some PIDs in the PID settings first</translation>
    </message>
    <message>
      <source>下行频率必须是C波段3000至4200 MHz或Ku波段10700至12750 MHz之间的数字!</source>
      <translation>The downlink frequency must be a number of MHz between 3000 and 4200 (C band) or between 10700 and 12750 (Ku band)!</translation>
    </message>
    <message>
      <source>符号率必须是1000至45000 KSPS之间的整数!</source>
      <translation>The symbol rate must be a whole number between 1000 and 45000 kS/s!</translation>
    </message>
    <message>
      <source>LNB本振频率必须是0至20000 MHz之间的数字!</source>
      <translation>The LNB local oscillator frequency must be a number between 0 and 20000 MHz!</translation>
    </message>
    <message>
      <source>频道数据库文件 %1 无法写入（%2），修改没有保存!</source>
      <translation>The channel database file %1 cannot be written (%2); the change was not saved!</translation>
    </message>
    <message>
      <source>频道数据库文件 %1 第 %2 行已损坏，文件没有被改写，卫星列表只显示能读出的内容。请先修正该文件。</source>
      <translation>Line %2 of the channel database file %1 is damaged. The file was not rewritten; the satellite list shows only what could be read. Please correct the file first.</translation>
    </message>
    <message>
      <source>节目无法存入数据库：%1</source>
      <translation>the programs could not be stored in the database: %1</translation>
    </message>
    <message>
      <source>警告：信号已锁定，但5秒没有收到数据（UDP端口%1）。请检查：卡的数据包如何到达本机、接收它们的网络接口、防火墙对该端口的规则；真卡请运行 orbixctl doctor</source>
      <translation>Warning: the signal is locked, but no data arrived for 5 s (UDP port %1). Please check how the card's packets reach this machine, the network interface that receives them and the firewall rules for that port; with a real card run orbixctl doctor</translation>
    </message>
    <message>
      <source>网络搜索完毕：新增%1个转发器，已有%2个，跳过%3个DVB-S2和%4个其他轨道位置的转发器</source>
      <translation>Network search done: %1 transponders added, %2 already known, %3 DVB-S2 and %4 of other orbital positions skipped</translation>
    </message>
    <message>
      <source>节目已存入数据库，但节目提供者名称无法存入：%1</source>
      <translation>the programs were stored in the database, but their providers' names could not be: %1</translation>
    </message>
  </context>
</TS>