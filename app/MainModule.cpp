#include "MainModule.h"

void BeginPrinterJob(MainModule& module) {
    module.printer7x32->SlpBeginJob();
    module.printer62->SlpBeginJob();
}

void ResetLabelJob(MainModule& module) {
    module.job.CustomerId = QStringLiteral("0");
    module.job.LabelCount = 0;
    module.job.Kind = LargeLabel;
    JobBoxes& boxes = module.window(); // the window is created, and loaded, on first use
    boxes.setText1(QString());
    boxes.setText2(QString());
    module.job.RepeatCount = 1;
}
