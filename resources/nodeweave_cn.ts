<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
    <context>
        <name>BatchWritePanel</name>
        <message>
            <source>保存报告</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>CSV 文件 (*.csv)</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>无法保存报告 %1：%2</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>等待</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>写入中（第 %1 步，共 %2 步）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>校验中（第 %1 步，共 %2 步）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>完成，已校验</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>完成</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>跳过</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>失败：%1（无回复）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>已停止：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>校验失败：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>失败：%1（%2）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>%1 校验失败（%2）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>%1 在 %2 处失败（无回复）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>%1 在 %2 处停止</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>%1 在 %2 处失败（%3）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>批量写入：%2 个节点中的 %1 个已写入并校验</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>批量写入：%2 个节点中的 %1 个已写入</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>跳过 %1 个</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>；</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>写入 %1 个设置（%2 组）到 %3 个节点，然后校验</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>写入 %1 个设置（%2 组）到 %3 个节点</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>；%1 个节点有各自的值</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>；值文件中扫描未发现的节点：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>节点各自的值</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>不能打开文件%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>%1 第 %2 行：需要节点列和至少一个设置列</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>%1 第 %2 行：未知的列 %3</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>%1 第 %2 行：单元格数目与标题行不同</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>%1 第 %2 行：值不被接受：%3</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>批量写入正在进行。要停止吗？</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>设备类型</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>串口</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>网络</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>节点描述</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO口</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>透明IO</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO采样</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>ADC采样</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>PWM输出</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>BatchWritePanelClass</name>
        <message>
            <source>批量写入</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>MAC地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>网络地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>描述符1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>状态</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>写入后校验</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>停止</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>保存报告…</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>关闭</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>节点</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>全选</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>全不选</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>节点各自的值…</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>写入的设置</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>开始</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>CfgPageAdc</name>
        <message>
            <source>AD值</source>
            <translation type="unfinished" />
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
            <translation type="unfinished" />
        </message>
        <message>
            <source>启用</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>间隔</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>10</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>目标地址</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>CfgPageIo</name>
        <message>
            <source>输入输出</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO9</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>输入</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>当前电平</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>输出</source>
            <translation type="unfinished" />
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
            <translation type="unfinished" />
        </message>
        <message>
            <source>启用</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>目标IO</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>目标地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO定时采集</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>间隔</source>
            <translation type="unfinished" />
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
            <translation type="unfinished" />
        </message>
        <message>
            <source>EPID</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>信道</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>信号质量</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>0</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>网络锁定</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>允许入网时间</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>上电启动网络</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>透传地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>网络控制</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>开始网络</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>离开网络</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>重启网络</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>节点描述符</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>描述符1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>描述符2</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>描述符3</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>描述符4</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>发送单包数据</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>发送</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>定时发送</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>ms</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>需要发送的数据</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>CfgPagePwm</name>
        <message>
            <source>PWM输出</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>PWM1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>启用</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>频率</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>1000</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>占空比</source>
            <translation type="unfinished" />
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
            <translation type="unfinished" />
        </message>
        <message>
            <source>English</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>设备数量：</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>关闭</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>打开</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>停止扫描</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>扫描</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Ready</source>
            <translation>就绪</translation>
        </message>
        <message>
            <source>成功</source>
            <translation>Success</translation>
        </message>
        <message>
            <source>错误：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>定时时间错误</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>XML (*.xml)</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>不能打开文件%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>导出完成</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>不是%1格式的XML配置文件,导入失败</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>导入遇到错误</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>以下配置项的值不被表单接受，未导入：
%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>导入完成</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>读取配置完成</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>读取配置遇到错误</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>写入配置完成</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>写入配置遇到错误</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>支持的扫描时间为%1-%2</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>错误：PWM频率必须是%1-%2</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Can not open %1</source>
            <translation>无法打开%1</translation>
        </message>
        <message>
            <source>通用错误</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>设备忙</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>未知错误</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>奇偶校验错误</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>指令没有已回车换行结束</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>指令没有以AT开头</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>指令字符串太长</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>指令为空</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>命令包含无效字符</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>指令只能由A-Z字母组成</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>不支持的AT指令</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>指令参数太长</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>参数格式错误</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>缺少参数</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>查询命令不需要带参数</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>不支持此参数</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>描述符过长</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>此指令不支持测试命令</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>此指令不支持查询命令</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>此指令不支持设置命令</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>此指令不支持执行命令</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>无效的地址范围</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>无效的EPID</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>进入TP模式时未能成功连接远程节点</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>网络尚未启动</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>远程AT指令发送失败</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>远程AT指令发送超时</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>不支持此IO</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>此IO已设置为输入，不能输出</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>发送的数据过长</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>保存日志…</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>复制</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>保存日志</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>文本文件 (*.txt);;所有文件 (*)</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>日志已保存：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>无法保存日志：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>串口已重新连接：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>串口已断开：%1（%2）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>扫描结束：发现 %1 个设备</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>读取或写入配置只能针对一个节点；多个节点请用批量写入</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>%1：在 %2 处被停止</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>回复不被接受</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>%1：在 %2 处（回复 "%3"：%4）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>%1：在 %2 处（无回复）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>显示时间</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>停止捕获</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>捕获到文件…</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>捕获写入失败，已停止：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>捕获已停止：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>捕获到文件</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>正在捕获到：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>无法打开捕获文件：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>确定要恢复出厂设置吗？</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>串口已关闭</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>立即生效：改变会马上发送到模块</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>串口</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>串口状态</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>远程地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>远程地址模式</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>定时发送间隔(ms)</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>命令</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>日志</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>扫描进度</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>配置进度</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>目标设备网络地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>目标设备MAC地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>透传地址模式</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>透传地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>数据包地址模式</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>数据包目标地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>数据包发送间隔(ms)</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>已发送字符数</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>已接收字节数</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>切换语言：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO%1 输入</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO%1 输出</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO%1 当前电平</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO%1 输出电平</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO%1 透传启用</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO%1 透传目标IO</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO%1 透传地址模式</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO%1 透传目标地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO%1 定时采集启用</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO%1 采集间隔</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO%1 采集地址模式</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO%1 采集目标地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>AD%1 值</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>AD%1 采集启用</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>AD%1 采集间隔</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>AD%1 地址模式</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>AD%1 目标地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>PWM%1 启用</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>PWM%1 频率</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>PWM%1 占空比滑块</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>PWM%1 占空比</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>批量写入的节点</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>批量写入进度</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>发现的设备</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>帮助</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>版本、许可证和手册（F1 打开手册）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>切换界面语言（Switch the interface language）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>串口：列表中的端口、键入的设备路径，或内置的模拟模块 Simulator</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>绿色：串口已打开；灰色：已关闭</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>勾选后，控制台命令加上远程地址，发往右侧地址的节点</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>在命令后加回车换行（CR LF）；模块只执行以此结束的命令</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>按右侧的间隔（毫秒）重复发送命令</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>重复发送的间隔，毫秒，至少 10</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>在日志中也显示发送的命令</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>新行到达时滚动到日志末尾</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>已发送的字符数</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>已接收的字节数</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>扫描网络的时间，秒（1-255）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>勾选列表中的所有节点：命令发往所有节点（广播），批量写入写入每个节点</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>目标节点的网络地址；为空时命令发往串口上的模块</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>停止正在进行的读取、写入或批量写入</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>把表单的配置写入设备列表中勾选的每个节点，并逐一校验</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>把表单的配置保存为 XML 文件</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>从 XML 文件载入配置到表单（不写入模块）</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>扩展 PAN ID：十进制数，或模块报告的 0x 形式</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>按右侧的间隔（毫秒）重复发送数据包</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Nodeweave %1
通过串口用 AT 指令配置和测试 ZigBee 无线模块。

许可证：MIT 许可证
手册：%2（按 F1 打开）
没有模块时，可打开端口“Simulator”试用全部功能。</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>关于 Nodeweave</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>无法打开手册 %1：请在终端中运行 man nodeweave</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>已忽略来自 %1 的回复</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>设置文件 %1 无法写入：更改不会保存</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>表单尚未通过读取或导入填写。仍要把它写入所选节点吗？</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>所选设置包含节点身份（设备类型或节点描述），每个所选节点都会得到它。继续吗？</source>
            <translation type="unfinished" />
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
            <translation type="unfinished" />
        </message>
        <message>
            <source>打开</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>波特率</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>停止位</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>数据位</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>校验位</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>设备列表</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>扫描</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>扫描时间(S)</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>设备数量：0</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>全选</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>MAC地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>网络地址</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>描述符1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>控制台</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>远程AT</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>定时发送</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>ms</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>发送新行</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>记录命令</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>自动滚动</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>发送</source>
            <translation type="unfinished" />
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
            <translation type="unfinished" />
        </message>
        <message>
            <source>设备配置</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>目标设备</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>读取</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>写入</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>取消</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>从文件导入</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>导出到文件</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>批量写入</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>基本信息</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>设备相关</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>设备型号</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>软件版本</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>设备类型</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>运行状态</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>UART参数</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>流控</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>系统控制</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>复位</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>恢复出厂设置</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>默认工作模式</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>网络配置</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>IO配置</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>AD配置</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>PWM配置</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>自动重连</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>串口断开后，同一设备再出现时自动重新打开</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>PortProblem</name>
        <message>
            <source>设备不存在</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>这不是串口设备</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>没有使用该设备的权限</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>串口正被另一个程序使用</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>设备已断开或不再应答</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>串口错误</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>请先关闭正在使用该串口的程序。</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>把用户加入 dialout 组：sudo usermod -aG dialout $USER，然后注销并重新登录。</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>设备属于 %1 组：请管理员允许该用户使用它。</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>PortWatcher</name>
        <message>
            <source>描述：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>制造商：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>序列号：%1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>USB 厂商:产品：%1</source>
            <translation type="unfinished" />
        </message>
    </context>
</TS>
