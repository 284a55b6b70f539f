#pragma once
// What generation runs report while they go: the log lines shown on the wizard's last step and the
// stage counter the progress window shows. It lives as long as the wizard window; runs only append
// lines, so a second run's lines follow the first's.

#include <QObject>
#include <QStringList>

#include <cstdint>

class GenerationLog : public QObject {
    Q_OBJECT

public:
    explicit GenerationLog(QObject* parent = nullptr);

    const QStringList& Lines() const { return m_lines; }
    void Append(const QString& line);

    // 0 before the first run; a run sets 1, 2 and 3 as its three stages finish. Never reset.
    int16_t GenerationStage() const { return m_stage; }
    void SetGenerationStage(int16_t stage);

signals:
    void lineAppended(const QString& line);
    void stageChanged(int stage);

private:
    QStringList m_lines;
    int16_t m_stage = 0;
};
