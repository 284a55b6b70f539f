#include "generator/GenerationLog.h"

GenerationLog::GenerationLog(QObject* parent) : QObject(parent) {}

void GenerationLog::Append(const QString& line)
{
    m_lines.append(line);
    emit lineAppended(line);
}

void GenerationLog::SetGenerationStage(int16_t stage)
{
    m_stage = stage;
    emit stageChanged(stage);
}
