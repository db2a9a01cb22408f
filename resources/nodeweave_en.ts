<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
    <context>
        <name>BatchWritePanel</name>
        <message>
            <source>保存报告</source>
            <translation>Save report</translation>
        </message>
        <message>
            <source>CSV 文件 (*.csv)</source>
            <translation>CSV files (*.csv)</translation>
        </message>
        <message>
            <source>无法保存报告 %1：%2</source>
            <translation>Cannot save the report %1: %2</translation>
        </message>
        <message>
            <source>等待</source>
            <translation>waiting</translation>
        </message>
        <message>
            <source>写入中（第 %1 步，共 %2 步）</source>
            <translation>writing (step %1 of %2)</translation>
        </message>
        <message>
            <source>校验中（第 %1 步，共 %2 步）</source>
            <translation>verifying (step %1 of %2)</translation>
        </message>
        <message>
            <source>完成，已校验</source>
            <translation>done, verified</translation>
        </message>
        <message>
            <source>完成</source>
            <translation>done</translation>
        </message>
        <message>
            <source>跳过</source>
            <translation>skipped</translation>
        </message>
        <message>
            <source>失败：%1（无回复）</source>
            <translation>failed at %1 (no reply)</translation>
        </message>
        <message>
            <source>已停止：%1</source>
            <translation>stopped at %1</translation>
        </message>
        <message>
            <source>校验失败：%1</source>
            <translation>verification failed: %1</translation>
        </message>
        <message>
            <source>失败：%1（%2）</source>
            <translation>failed at %1 (%2)</translation>
        </message>
        <message>
            <source>%1 校验失败（%2）</source>
            <translation>%1 failed verification (%2)</translation>
        </message>
        <message>
            <source>%1 在 %2 处失败（无回复）</source>
            <translation>%1 failed at %2 (no reply)</translation>
        </message>
        <message>
            <source>%1 在 %2 处停止</source>
            <translation>%1 stopped at %2</translation>
        </message>
        <message>
            <source>%1 在 %2 处失败（%3）</source>
            <translation>%1 failed at %2 (%3)</translation>
        </message>
        <message>
            <source>批量写入：%2 个节点中的 %1 个已写入并校验</source>
            <translation>Batch write: %1 of %2 nodes written and verified</translation>
        </message>
        <message>
            <source>批量写入：%2 个节点中的 %1 个已写入</source>
            <translation>Batch write: %1 of %2 nodes written</translation>
        </message>
        <message>
            <source>跳过 %1 个</source>
            <translation>%1 skipped</translation>
        </message>
        <message>
            <source>；</source>
            <translation>; </translation>
        </message>
        <message>
            <source>写入 %1 个设置（%2 组）到 %3 个节点，然后校验</source>
            <translation>Write %1 settings in %2 groups into %3 nodes, then verify</translation>
        </message>
        <message>
            <source>写入 %1 个设置（%2 组）到 %3 个节点</source>
            <translation>Write %1 settings in %2 groups into %3 nodes</translation>
        </message>
        <message>
            <source>；%1 个节点有各自的值</source>
            <translation>; %1 nodes have values of their own</translation>
        </message>
        <message>
            <source>；值文件中扫描未发现的节点：%1</source>
            <translation>; in the values file, not found by the scan: %1</translation>
        </message>
        <message>
            <source>节点各自的值</source>
            <translation>Values of each node</translation>
        </message>
        <message>
            <source>不能打开文件%1</source>
            <translation>Can not open file%1</translation>
        </message>
        <message>
            <source>%1 第 %2 行：需要节点列和至少一个设置列</source>
            <translation>%1, line %2: a node column and at least one setting column are needed</translation>
        </message>
        <message>
            <source>%1 第 %2 行：未知的列 %3</source>
            <translation>%1, line %2: unknown column %3</translation>
        </message>
        <message>
            <source>%1 第 %2 行：单元格数目与标题行不同</source>
            <translation>%1, line %2: not as many cells as the header</translation>
        </message>
        <message>
            <source>%1 第 %2 行：值不被接受：%3</source>
            <translation>%1, line %2: value refused: %3</translation>
        </message>
        <message>
            <source>批量写入正在进行。要停止吗？</source>
            <translation>A batch write is running. Stop it?</translation>
        </message>
        <message>
            <source>设备类型</source>
            <translation>Device type</translation>
        </message>
        <message>
            <source>串口</source>
            <translation>UART</translation>
        </message>
        <message>
            <source>网络</source>
            <translation>Network</translation>
        </message>
        <message>
            <source>节点描述</source>
            <translation>Node descriptors</translation>
        </message>
        <message>
            <source>IO口</source>
            <translation>IO lines</translation>
        </message>
        <message>
            <source>透明IO</source>
            <translation>Transparent IO</translation>
        </message>
        <message>
            <source>IO采样</source>
            <translation>IO sampling</translation>
        </message>
        <message>
            <source>ADC采样</source>
            <translation>ADC sampling</translation>
        </message>
        <message>
            <source>PWM输出</source>
            <translation>PWM outputs</translation>
        </message>
    </context>
    <context>
        <name>BatchWritePanelClass</name>
        <message>
            <source>批量写入</source>
            <translation>Batch Write</translation>
        </message>
        <message>
            <source>MAC地址</source>
            <translation>MAC Addr</translation>
        </message>
        <message>
            <source>网络地址</source>
            <translation>Network Addr</translation>
        </message>
        <message>
            <source>描述符1</source>
            <translation>Descriptor 1</translation>
        </message>
        <message>
            <source>状态</source>
            <translation>State</translation>
        </message>
        <message>
            <source>写入后校验</source>
            <translation>Verify after write</translation>
        </message>
        <message>
            <source>停止</source>
            <translation>Stop</translation>
        </message>
        <message>
            <source>保存报告…</source>
            <translation>Save report…</translation>
        </message>
        <message>
            <source>关闭</source>
            <translation>Close</translation>
        </message>
        <message>
            <source>节点</source>
            <translation>Nodes</translation>
        </message>
        <message>
            <source>全选</source>
            <translation>All</translation>
        </message>
        <message>
            <source>全不选</source>
            <translation>None</translation>
        </message>
        <message>
            <source>节点各自的值…</source>
            <translation>Values of each node…</translation>
        </message>
        <message>
            <source>写入的设置</source>
            <translation>Settings to write</translation>
        </message>
        <message>
            <source>开始</source>
            <translation>Start</translation>
        </message>
    </context>
    <context>
        <name>CfgPageAdc</name>
        <message>
            <source>AD值</source>
            <translation>Ad Value</translation>
        </message>
        <message>
            <source>AD1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>AD2</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>AD3</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>AD4</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>AD采集</source>
            <translation>Ad Sample</translation>
        </message>
        <message>
            <source>启用</source>
            <translation>Enable</translation>
        </message>
        <message>
            <source>间隔</source>
            <translation>Sample Interval</translation>
        </message>
        <message>
            <source>10</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>目标地址</source>
            <translation>Target Addr</translation>
        </message>
    </context>
    <context>
        <name>CfgPageIo</name>
        <message>
            <source>输入输出</source>
            <translation>Input/Output Setting</translation>
        </message>
        <message>
            <source>IO9</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>输入</source>
            <translation>Input</translation>
        </message>
        <message>
            <source>当前电平</source>
            <translation>Current Input</translation>
        </message>
        <message>
            <source>输出</source>
            <translation>Output</translation>
        </message>
        <message>
            <source>IO10</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO14</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO15</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO17</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO透传</source>
            <translation>TPIO</translation>
        </message>
        <message>
            <source>启用</source>
            <translation>Enable</translation>
        </message>
        <message>
            <source>目标IO</source>
            <translation>TargetIO</translation>
        </message>
        <message>
            <source>目标地址</source>
            <translation>Target Addr</translation>
        </message>
        <message>
            <source>IO定时采集</source>
            <translation>IO sample</translation>
        </message>
        <message>
            <source>间隔</source>
            <translation>Sample Interval</translation>
        </message>
        <message>
            <source>10</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>CfgPageNetwork</name>
        <message>
            <source>网络参数</source>
            <translation>Network Setting</translation>
        </message>
        <message>
            <source>EPID</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>信道</source>
            <translation>Channel</translation>
        </message>
        <message>
            <source>信号质量</source>
            <translation>LQI</translation>
        </message>
        <message>
            <source>0</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>网络锁定</source>
            <translation>Network Lock</translation>
        </message>
        <message>
            <source>允许入网时间</source>
            <translation>Join Time</translation>
        </message>
        <message>
            <source>上电启动网络</source>
            <translation>Auto Network On</translation>
        </message>
        <message>
            <source>透传地址</source>
            <translation>TID Addr</translation>
        </message>
        <message>
            <source>网络控制</source>
            <translation>Network Control</translation>
        </message>
        <message>
            <source>开始网络</source>
            <translation>Start Network</translation>
        </message>
        <message>
            <source>离开网络</source>
            <translation>Leave Network</translation>
        </message>
        <message>
            <source>重启网络</source>
            <translation>Restart Network</translation>
        </message>
        <message>
            <source>节点描述符</source>
            <translation>Node Descriptor</translation>
        </message>
        <message>
            <source>描述符1</source>
            <translation>Descriptor 1</translation>
        </message>
        <message>
            <source>描述符2</source>
            <translation>Descriptor 2</translation>
        </message>
        <message>
            <source>描述符3</source>
            <translation>Descriptor 3</translation>
        </message>
        <message>
            <source>描述符4</source>
            <translation>Descriptor 4</translation>
        </message>
        <message>
            <source>发送单包数据</source>
            <translation>Send Packet</translation>
        </message>
        <message>
            <source>发送</source>
            <translation>Send</translation>
        </message>
        <message>
            <source>定时发送</source>
            <translation>Regularly send</translation>
        </message>
        <message>
            <source>ms</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>需要发送的数据</source>
            <translation>Send Data</translation>
        </message>
    </context>
    <context>
        <name>CfgPagePwm</name>
        <message>
            <source>PWM输出</source>
            <translation>PWM Output</translation>
        </message>
        <message>
            <source>PWM1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>启用</source>
            <translation>Enable</translation>
        </message>
        <message>
            <source>频率</source>
            <translation>Frequency</translation>
        </message>
        <message>
            <source>1000</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>占空比</source>
            <translation>DutyRation</translation>
        </message>
        <message>
            <source>PWM2</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>PWM3</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>Nodeweave</name>
        <message>
            <source>中文</source>
            <translation>中文</translation>
        </message>
        <message>
            <source>English</source>
            <translation>English</translation>
        </message>
        <message>
            <source>设备数量：</source>
            <translation>Device number </translation>
        </message>
        <message>
            <source>关闭</source>
            <translation>Close</translation>
        </message>
        <message>
            <source>打开</source>
            <translation>Open</translation>
        </message>
        <message>
            <source>停止扫描</source>
            <translation>Stop scan</translation>
        </message>
        <message>
            <source>扫描</source>
            <translation>Scan</translation>
        </message>
        <message>
            <source>Ready</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>成功</source>
            <translation>Success</translation>
        </message>
        <message>
            <source>错误：%1</source>
            <translation>Err:%1</translation>
        </message>
        <message>
            <source>定时时间错误</source>
            <translation>Invalid Time Interval</translation>
        </message>
        <message>
            <source>XML (*.xml)</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>不能打开文件%1</source>
            <translation>Can not open file%1</translation>
        </message>
        <message>
            <source>导出完成</source>
            <translation>Export finish</translation>
        </message>
        <message>
            <source>不是%1格式的XML配置文件,导入失败</source>
            <translation>Not %1's XML file</translation>
        </message>
        <message>
            <source>导入遇到错误</source>
            <translation>Improt failed</translation>
        </message>
        <message>
            <source>以下配置项的值不被表单接受，未导入：
%1</source>
            <translation>These values are not accepted by the form and were not imported:
%1</translation>
        </message>
        <message>
            <source>导入完成</source>
            <translation>Import finish</translation>
        </message>
        <message>
            <source>读取配置完成</source>
            <translation>Read configuration successfully</translation>
        </message>
        <message>
            <source>读取配置遇到错误</source>
            <translation>Read configuration failed</translation>
        </message>
        <message>
            <source>写入配置完成</source>
            <translation>Write configuration successfully</translation>
        </message>
        <message>
            <source>写入配置遇到错误</source>
            <translation>Write configuration failed</translation>
        </message>
        <message>
            <source>支持的扫描时间为%1-%2</source>
            <translation>Invalid scan time</translation>
        </message>
        <message>
            <source>错误：PWM频率必须是%1-%2</source>
            <translation>Invalid Frequency</translation>
        </message>
        <message>
            <source>Can not open %1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>通用错误</source>
            <translation>Common Error</translation>
        </message>
        <message>
            <source>设备忙</source>
            <translation>Device is busy</translation>
        </message>
        <message>
            <source>未知错误</source>
            <translation>Unknown Error</translation>
        </message>
        <message>
            <source>奇偶校验错误</source>
            <translation>Parity Error</translation>
        </message>
        <message>
            <source>指令没有已回车换行结束</source>
            <translation>Cmd endding without corrent a CarriageReturn and a LineLeed character</translation>
        </message>
        <message>
            <source>指令没有以AT开头</source>
            <translation>Cmd start without AT</translation>
        </message>
        <message>
            <source>指令字符串太长</source>
            <translation>Cmd string is too long</translation>
        </message>
        <message>
            <source>指令为空</source>
            <translation>Cmd is empty</translation>
        </message>
        <message>
            <source>命令包含无效字符</source>
            <translation>Cmd contains invalid character</translation>
        </message>
        <message>
            <source>指令只能由A-Z字母组成</source>
            <translation>Cmd can just consist of A-Z</translation>
        </message>
        <message>
            <source>不支持的AT指令</source>
            <translation>Can not support this Cmd</translation>
        </message>
        <message>
            <source>指令参数太长</source>
            <translation>Parameter is too long</translation>
        </message>
        <message>
            <source>参数格式错误</source>
            <translation>Parameter format Error</translation>
        </message>
        <message>
            <source>缺少参数</source>
            <translation>Missing parameter</translation>
        </message>
        <message>
            <source>查询命令不需要带参数</source>
            <translation>Query cmd do not need any parameter</translation>
        </message>
        <message>
            <source>不支持此参数</source>
            <translation>Do not support this parameter</translation>
        </message>
        <message>
            <source>描述符过长</source>
            <translation>Descriptor is too long</translation>
        </message>
        <message>
            <source>此指令不支持测试命令</source>
            <translation>This Cmd do not support TEST format</translation>
        </message>
        <message>
            <source>此指令不支持查询命令</source>
            <translation>This Cmd do not support QUERY format</translation>
        </message>
        <message>
            <source>此指令不支持设置命令</source>
            <translation>This Cmd do not support SETTING format</translation>
        </message>
        <message>
            <source>此指令不支持执行命令</source>
            <translation>This Cmd do not support EXE format</translation>
        </message>
        <message>
            <source>无效的地址范围</source>
            <translation>Invalid Addr</translation>
        </message>
        <message>
            <source>无效的EPID</source>
            <translation>Invalid EPID</translation>
        </message>
        <message>
            <source>进入TP模式时未能成功连接远程节点</source>
            <translation>Can not connect the remote node when try to enter TP mode</translation>
        </message>
        <message>
            <source>网络尚未启动</source>
            <translation>Network has NOT been stared yet</translation>
        </message>
        <message>
            <source>远程AT指令发送失败</source>
            <translation>Remote AT cmd send fail</translation>
        </message>
        <message>
            <source>远程AT指令发送超时</source>
            <translation>Remote AT send timeout</translation>
        </message>
        <message>
            <source>不支持此IO</source>
            <translation>can not support this IO</translation>
        </message>
        <message>
            <source>此IO已设置为输入，不能输出</source>
            <translation>This IO has been setting as input</translation>
        </message>
        <message>
            <source>发送的数据过长</source>
            <translation>Send data is too long</translation>
        </message>
        <message>
            <source>保存日志…</source>
            <translation>Save log…</translation>
        </message>
        <message>
            <source>复制</source>
            <translation>Copy</translation>
        </message>
        <message>
            <source>保存日志</source>
            <translation>Save log</translation>
        </message>
        <message>
            <source>文本文件 (*.txt);;所有文件 (*)</source>
            <translation>Text files (*.txt);;All files (*)</translation>
        </message>
        <message>
            <source>日志已保存：%1</source>
            <translation>Log saved: %1</translation>
        </message>
        <message>
            <source>无法保存日志：%1</source>
            <translation>Can not save the log: %1</translation>
        </message>
        <message>
            <source>串口已重新连接：%1</source>
            <translation>Serial port reconnected: %1</translation>
        </message>
        <message>
            <source>串口已断开：%1（%2）</source>
            <translation>Serial port lost: %1 (%2)</translation>
        </message>
        <message>
            <source>扫描结束：发现 %1 个设备</source>
            <translation>Scan finished: %1 device(s) found</translation>
        </message>
        <message>
            <source>读取或写入配置只能针对一个节点；多个节点请用批量写入</source>
            <translation>Reading or writing the configuration needs one node; write several nodes with Batch Write</translation>
        </message>
        <message>
            <source>%1：在 %2 处被停止</source>
            <translation>%1: stopped at %2</translation>
        </message>
        <message>
            <source>回复不被接受</source>
            <translation>not accepted</translation>
        </message>
        <message>
            <source>%1：在 %2 处（回复 "%3"：%4）</source>
            <translation>%1 at %2 (reply "%3": %4)</translation>
        </message>
        <message>
            <source>%1：在 %2 处（无回复）</source>
            <translation>%1 at %2 (no reply)</translation>
        </message>
        <message>
            <source>显示时间</source>
            <translation>Show time</translation>
        </message>
        <message>
            <source>停止捕获</source>
            <translation>Stop capture</translation>
        </message>
        <message>
            <source>捕获到文件…</source>
            <translation>Capture to file…</translation>
        </message>
        <message>
            <source>捕获写入失败，已停止：%1</source>
            <translation>Capture stopped, can not write: %1</translation>
        </message>
        <message>
            <source>捕获已停止：%1</source>
            <translation>Capture stopped: %1</translation>
        </message>
        <message>
            <source>捕获到文件</source>
            <translation>Capture to file</translation>
        </message>
        <message>
            <source>正在捕获到：%1</source>
            <translation>Capturing to: %1</translation>
        </message>
        <message>
            <source>无法打开捕获文件：%1</source>
            <translation>Can not open the capture file: %1</translation>
        </message>
        <message>
            <source>确定要恢复出厂设置吗？</source>
            <translation>Restore the factory settings?</translation>
        </message>
        <message>
            <source>串口已关闭</source>
            <translation>The port was closed</translation>
        </message>
        <message>
            <source>立即生效：改变会马上发送到模块</source>
            <translation>Applies at once: a change is sent to the module immediately</translation>
        </message>
        <message>
            <source>串口</source>
            <translation>Serial port</translation>
        </message>
        <message>
            <source>串口状态</source>
            <translation>Port state</translation>
        </message>
        <message>
            <source>远程地址</source>
            <translation>Remote address</translation>
        </message>
        <message>
            <source>远程地址模式</source>
            <translation>Remote address mode</translation>
        </message>
        <message>
            <source>定时发送间隔(ms)</source>
            <translation>Repeat interval (ms)</translation>
        </message>
        <message>
            <source>命令</source>
            <translation>Command</translation>
        </message>
        <message>
            <source>日志</source>
            <translation>Log</translation>
        </message>
        <message>
            <source>扫描进度</source>
            <translation>Scan progress</translation>
        </message>
        <message>
            <source>配置进度</source>
            <translation>Configuration progress</translation>
        </message>
        <message>
            <source>目标设备网络地址</source>
            <translation>Target network address</translation>
        </message>
        <message>
            <source>目标设备MAC地址</source>
            <translation>Target MAC address</translation>
        </message>
        <message>
            <source>透传地址模式</source>
            <translation>TID address mode</translation>
        </message>
        <message>
            <source>透传地址</source>
            <translation>TID address</translation>
        </message>
        <message>
            <source>数据包地址模式</source>
            <translation>Packet address mode</translation>
        </message>
        <message>
            <source>数据包目标地址</source>
            <translation>Packet address</translation>
        </message>
        <message>
            <source>数据包发送间隔(ms)</source>
            <translation>Packet repeat interval (ms)</translation>
        </message>
        <message>
            <source>已发送字符数</source>
            <translation>Characters sent</translation>
        </message>
        <message>
            <source>已接收字节数</source>
            <translation>Bytes received</translation>
        </message>
        <message>
            <source>切换语言：%1</source>
            <translation>Switch language: %1</translation>
        </message>
        <message>
            <source>IO%1 输入</source>
            <translation>IO %1 input</translation>
        </message>
        <message>
            <source>IO%1 输出</source>
            <translation>IO %1 output</translation>
        </message>
        <message>
            <source>IO%1 当前电平</source>
            <translation>IO %1 current level</translation>
        </message>
        <message>
            <source>IO%1 输出电平</source>
            <translation>IO %1 output level</translation>
        </message>
        <message>
            <source>IO%1 透传启用</source>
            <translation>IO %1 transparent IO on</translation>
        </message>
        <message>
            <source>IO%1 透传目标IO</source>
            <translation>IO %1 target IO</translation>
        </message>
        <message>
            <source>IO%1 透传地址模式</source>
            <translation>IO %1 target address mode</translation>
        </message>
        <message>
            <source>IO%1 透传目标地址</source>
            <translation>IO %1 target address</translation>
        </message>
        <message>
            <source>IO%1 定时采集启用</source>
            <translation>IO %1 sampling on</translation>
        </message>
        <message>
            <source>IO%1 采集间隔</source>
            <translation>IO %1 sample interval</translation>
        </message>
        <message>
            <source>IO%1 采集地址模式</source>
            <translation>IO %1 sample address mode</translation>
        </message>
        <message>
            <source>IO%1 采集目标地址</source>
            <translation>IO %1 sample address</translation>
        </message>
        <message>
            <source>AD%1 值</source>
            <translation>AD%1 value</translation>
        </message>
        <message>
            <source>AD%1 采集启用</source>
            <translation>AD%1 sampling on</translation>
        </message>
        <message>
            <source>AD%1 采集间隔</source>
            <translation>AD%1 sample interval</translation>
        </message>
        <message>
            <source>AD%1 地址模式</source>
            <translation>AD%1 address mode</translation>
        </message>
        <message>
            <source>AD%1 目标地址</source>
            <translation>AD%1 target address</translation>
        </message>
        <message>
            <source>PWM%1 启用</source>
            <translation>PWM %1 on</translation>
        </message>
        <message>
            <source>PWM%1 频率</source>
            <translation>PWM %1 frequency</translation>
        </message>
        <message>
            <source>PWM%1 占空比滑块</source>
            <translation>PWM %1 duty slider</translation>
        </message>
        <message>
            <source>PWM%1 占空比</source>
            <translation>PWM %1 duty</translation>
        </message>
        <message>
            <source>批量写入的节点</source>
            <translation>Batch write nodes</translation>
        </message>
        <message>
            <source>批量写入进度</source>
            <translation>Batch write progress</translation>
        </message>
        <message>
            <source>发现的设备</source>
            <translation>Devices found</translation>
        </message>
        <message>
            <source>帮助</source>
            <translation>Help</translation>
        </message>
        <message>
            <source>版本、许可证和手册（F1 打开手册）</source>
            <translation>Version, licence and manual (F1 opens the manual)</translation>
        </message>
        <message>
            <source>切换界面语言（Switch the interface language）</source>
            <translation>Switch the interface language (切换界面语言)</translation>
        </message>
        <message>
            <source>串口：列表中的端口、键入的设备路径，或内置的模拟模块 Simulator</source>
            <translation>Serial port: a listed port, a typed device path, or the built-in simulated module Simulator</translation>
        </message>
        <message>
            <source>绿色：串口已打开；灰色：已关闭</source>
            <translation>Green: the port is open; grey: closed</translation>
        </message>
        <message>
            <source>勾选后，控制台命令加上远程地址，发往右侧地址的节点</source>
            <translation>When ticked, console commands get the remote address and go to the node addressed on the right</translation>
        </message>
        <message>
            <source>在命令后加回车换行（CR LF）；模块只执行以此结束的命令</source>
            <translation>Ends the command with CR LF; the module runs only commands ended so</translation>
        </message>
        <message>
            <source>按右侧的间隔（毫秒）重复发送命令</source>
            <translation>Sends the command again and again at the interval on the right (ms)</translation>
        </message>
        <message>
            <source>重复发送的间隔，毫秒，至少 10</source>
            <translation>Repeat interval in milliseconds, at least 10</translation>
        </message>
        <message>
            <source>在日志中也显示发送的命令</source>
            <translation>Shows the sent commands in the log too</translation>
        </message>
        <message>
            <source>新行到达时滚动到日志末尾</source>
            <translation>Scrolls to the end of the log when new lines arrive</translation>
        </message>
        <message>
            <source>已发送的字符数</source>
            <translation>Characters sent</translation>
        </message>
        <message>
            <source>已接收的字节数</source>
            <translation>Bytes received</translation>
        </message>
        <message>
            <source>扫描网络的时间，秒（1-255）</source>
            <translation>How long the network is scanned, in seconds (1-255)</translation>
        </message>
        <message>
            <source>勾选列表中的所有节点：命令发往所有节点（广播），批量写入写入每个节点</source>
            <translation>Ticks every node of the list: commands go to all nodes (broadcast), Batch Write writes each</translation>
        </message>
        <message>
            <source>目标节点的网络地址；为空时命令发往串口上的模块</source>
            <translation>The target node's network address; empty, commands go to the module on the port</translation>
        </message>
        <message>
            <source>停止正在进行的读取、写入或批量写入</source>
            <translation>Stops the read, write or batch write under way</translation>
        </message>
        <message>
            <source>把表单的配置写入设备列表中勾选的每个节点，并逐一校验</source>
            <translation>Writes the form's configuration into every node ticked in the device list, and verifies each</translation>
        </message>
        <message>
            <source>把表单的配置保存为 XML 文件</source>
            <translation>Saves the form's configuration as an XML file</translation>
        </message>
        <message>
            <source>从 XML 文件载入配置到表单（不写入模块）</source>
            <translation>Loads a configuration from an XML file into the form (the module is not written)</translation>
        </message>
        <message>
            <source>扩展 PAN ID：十进制数，或模块报告的 0x 形式</source>
            <translation>Extended PAN ID: a decimal number, or the 0x form the module reports</translation>
        </message>
        <message>
            <source>按右侧的间隔（毫秒）重复发送数据包</source>
            <translation>Sends the packet again and again at the interval on the right (ms)</translation>
        </message>
        <message>
            <source>Nodeweave %1
通过串口用 AT 指令配置和测试 ZigBee 无线模块。

许可证：MIT 许可证
手册：%2（按 F1 打开）
没有模块时，可打开端口“Simulator”试用全部功能。</source>
            <translation>Nodeweave %1
Configures and exercises a ZigBee radio module over a serial port with AT commands.

Licence: MIT License
Manual: %2 (F1 opens it)
Without a module, open the port "Simulator" to try every feature.</translation>
        </message>
        <message>
            <source>关于 Nodeweave</source>
            <translation>About Nodeweave</translation>
        </message>
        <message>
            <source>无法打开手册 %1：请在终端中运行 man nodeweave</source>
            <translation>Cannot open the manual %1: run man nodeweave in a terminal</translation>
        </message>
        <message>
            <source>已忽略来自 %1 的回复</source>
            <translation>reply from %1 ignored</translation>
        </message>
        <message>
            <source>设置文件 %1 无法写入：更改不会保存</source>
            <translation>The settings file %1 cannot be written: changes will not be kept</translation>
        </message>
        <message>
            <source>表单尚未通过读取或导入填写。仍要把它写入所选节点吗？</source>
            <translation>The form was not filled by Read or Import. Write it into the chosen nodes all the same?</translation>
        </message>
        <message>
            <source>所选设置包含节点身份（设备类型或节点描述），每个所选节点都会得到它。继续吗？</source>
            <translation>The chosen settings include node identity (device type or node descriptors): every chosen node gets the same. Go on?</translation>
        </message>
    </context>
    <context>
        <name>NodeweaveClass</name>
        <message>
            <source>Nodeweave</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>通信端口</source>
            <translation>ComPort</translation>
        </message>
        <message>
            <source>打开</source>
            <translation>Open</translation>
        </message>
        <message>
            <source>波特率</source>
            <translation>BaudRate</translation>
        </message>
        <message>
            <source>停止位</source>
            <translation>StopBit</translation>
        </message>
        <message>
            <source>数据位</source>
            <translation>DataBit</translation>
        </message>
        <message>
            <source>校验位</source>
            <translation>Parity</translation>
        </message>
        <message>
            <source>设备列表</source>
            <translation>Device List</translation>
        </message>
        <message>
            <source>扫描</source>
            <translation>Scan</translation>
        </message>
        <message>
            <source>扫描时间(S)</source>
            <translation>Scan Time</translation>
        </message>
        <message>
            <source>设备数量：0</source>
            <translation>Device Number: 0</translation>
        </message>
        <message>
            <source>全选</source>
            <translation>All</translation>
        </message>
        <message>
            <source>MAC地址</source>
            <translation>MAC Addr</translation>
        </message>
        <message>
            <source>网络地址</source>
            <translation>Network Addr</translation>
        </message>
        <message>
            <source>描述符1</source>
            <translation>Descriptor 1</translation>
        </message>
        <message>
            <source>控制台</source>
            <translation>Console</translation>
        </message>
        <message>
            <source>远程AT</source>
            <translation>Remote AT</translation>
        </message>
        <message>
            <source>定时发送</source>
            <translation>Regularly send</translation>
        </message>
        <message>
            <source>ms</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>发送新行</source>
            <translation>Send New Line</translation>
        </message>
        <message>
            <source>记录命令</source>
            <translation>Log cmd</translation>
        </message>
        <message>
            <source>自动滚动</source>
            <translation>Auto Scroll</translation>
        </message>
        <message>
            <source>发送</source>
            <translation>Send</translation>
        </message>
        <message>
            <source>S：</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>0</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>R：</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>清除窗口</source>
            <translation>Clear Log</translation>
        </message>
        <message>
            <source>设备配置</source>
            <translation>Device Setting</translation>
        </message>
        <message>
            <source>目标设备</source>
            <translation>Target Device</translation>
        </message>
        <message>
            <source>读取</source>
            <translation>Read</translation>
        </message>
        <message>
            <source>写入</source>
            <translation>Write</translation>
        </message>
        <message>
            <source>取消</source>
            <translation>Cancel</translation>
        </message>
        <message>
            <source>从文件导入</source>
            <translation>Import</translation>
        </message>
        <message>
            <source>导出到文件</source>
            <translation>Export</translation>
        </message>
        <message>
            <source>批量写入</source>
            <translation>Batch Write</translation>
        </message>
        <message>
            <source>基本信息</source>
            <translation>Base Info</translation>
        </message>
        <message>
            <source>设备相关</source>
            <translation>Device</translation>
        </message>
        <message>
            <source>设备型号</source>
            <translation>Device Part</translation>
        </message>
        <message>
            <source>软件版本</source>
            <translation>Software VER</translation>
        </message>
        <message>
            <source>设备类型</source>
            <translation>Device Type</translation>
        </message>
        <message>
            <source>运行状态</source>
            <translation>Running State</translation>
        </message>
        <message>
            <source>UART参数</source>
            <translation>UART</translation>
        </message>
        <message>
            <source>流控</source>
            <translation>Flow Control</translation>
        </message>
        <message>
            <source>系统控制</source>
            <translation>System</translation>
        </message>
        <message>
            <source>复位</source>
            <translation>Reset</translation>
        </message>
        <message>
            <source>恢复出厂设置</source>
            <translation>Restore</translation>
        </message>
        <message>
            <source>默认工作模式</source>
            <translation>Default Work Mode</translation>
        </message>
        <message>
            <source>网络配置</source>
            <translation>Network</translation>
        </message>
        <message>
            <source>IO配置</source>
            <translation>IO Setting</translation>
        </message>
        <message>
            <source>AD配置</source>
            <translation>AD Setting</translation>
        </message>
        <message>
            <source>PWM配置</source>
            <translation>PWM Setting</translation>
        </message>
        <message>
            <source>自动重连</source>
            <translation>Reconnect</translation>
        </message>
        <message>
            <source>串口断开后，同一设备再出现时自动重新打开</source>
            <translation>When the port is lost, open it again as soon as the same device is back</translation>
        </message>
    </context>
    <context>
        <name>PortProblem</name>
        <message>
            <source>设备不存在</source>
            <translation>The device does not exist</translation>
        </message>
        <message>
            <source>这不是串口设备</source>
            <translation>This is not a serial device</translation>
        </message>
        <message>
            <source>没有使用该设备的权限</source>
            <translation>Permission denied: this user may not use the device</translation>
        </message>
        <message>
            <source>串口正被另一个程序使用</source>
            <translation>The port is in use by another program</translation>
        </message>
        <message>
            <source>设备已断开或不再应答</source>
            <translation>The device was disconnected or stopped answering</translation>
        </message>
        <message>
            <source>串口错误</source>
            <translation>Serial port error</translation>
        </message>
        <message>
            <source>请先关闭正在使用该串口的程序。</source>
            <translation>Close the program that uses the port first.</translation>
        </message>
        <message>
            <source>把用户加入 dialout 组：sudo usermod -aG dialout $USER，然后注销并重新登录。</source>
            <translation>Add your user to the dialout group: sudo usermod -aG dialout $USER, then log out and in again.</translation>
        </message>
        <message>
            <source>设备属于 %1 组：请管理员允许该用户使用它。</source>
            <translation>The device belongs to the group %1: ask the administrator to let this user use it.</translation>
        </message>
    </context>
    <context>
        <name>PortWatcher</name>
        <message>
            <source>描述：%1</source>
            <translation>Description: %1</translation>
        </message>
        <message>
            <source>制造商：%1</source>
            <translation>Manufacturer: %1</translation>
        </message>
        <message>
            <source>序列号：%1</source>
            <translation>Serial number: %1</translation>
        </message>
        <message>
            <source>USB 厂商:产品：%1</source>
            <translation>USB vendor:product: %1</translation>
        </message>
    </context>
</TS>
