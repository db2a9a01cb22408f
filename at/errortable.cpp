#include "at/errortable.h"

#include <QtGlobal>

const QList<ModuleError> &moduleErrors()
{
    static const QList<ModuleError> table = {
        {1, QT_TRANSLATE_NOOP("Nodeweave", "通用错误")},
        {2, QT_TRANSLATE_NOOP("Nodeweave", "设备忙")},
        {3, QT_TRANSLATE_NOOP("Nodeweave", "未知错误")},
        {4, QT_TRANSLATE_NOOP("Nodeweave", "奇偶校验错误")},
        {5, QT_TRANSLATE_NOOP("Nodeweave", "指令没有已回车换行结束")},
        {10, QT_TRANSLATE_NOOP("Nodeweave", "指令没有以AT开头")},
        {11, QT_TRANSLATE_NOOP("Nodeweave", "指令字符串太长")},
        {12, QT_TRANSLATE_NOOP("Nodeweave", "指令为空")},
        {13, QT_TRANSLATE_NOOP("Nodeweave", "命令包含无效字符")},
        {14, QT_TRANSLATE_NOOP("Nodeweave", "指令只能由A-Z字母组成")},
        {15, QT_TRANSLATE_NOOP("Nodeweave", "不支持的AT指令")},
        {16, QT_TRANSLATE_NOOP("Nodeweave", "指令参数太长")},
        {20, QT_TRANSLATE_NOOP("Nodeweave", "参数格式错误")},
        {21, QT_TRANSLATE_NOOP("Nodeweave", "缺少参数")},
        {22, QT_TRANSLATE_NOOP("Nodeweave", "查询命令不需要带参数")},
        {23, QT_TRANSLATE_NOOP("Nodeweave", "不支持此参数")},
        {24, QT_TRANSLATE_NOOP("Nodeweave", "描述符过长")},
        {30, QT_TRANSLATE_NOOP("Nodeweave", "此指令不支持测试命令")},
        {31, QT_TRANSLATE_NOOP("Nodeweave", "此指令不支持查询命令")},
        {32, QT_TRANSLATE_NOOP("Nodeweave", "此指令不支持设置命令")},
        {33, QT_TRANSLATE_NOOP("Nodeweave", "此指令不支持执行命令")},
        {40, QT_TRANSLATE_NOOP("Nodeweave", "无效的地址范围")},
        {41, QT_TRANSLATE_NOOP("Nodeweave", "无效的EPID")},
        {42, QT_TRANSLATE_NOOP("Nodeweave", "进入TP模式时未能成功连接远程节点")},
        {60, QT_TRANSLATE_NOOP("Nodeweave", "网络尚未启动")},
        {70, QT_TRANSLATE_NOOP("Nodeweave", "远程AT指令发送失败")},
        {71, QT_TRANSLATE_NOOP("Nodeweave", "远程AT指令发送超时")},
        {80, QT_TRANSLATE_NOOP("Nodeweave", "不支持此IO")},
        {81, QT_TRANSLATE_NOOP("Nodeweave", "此IO已设置为输入，不能输出")},
        {100, QT_TRANSLATE_NOOP("Nodeweave", "发送的数据过长")},
    };
    return table;
}
