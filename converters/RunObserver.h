#pragma once

#include "RunReport.h"

/// How a run tells its front end what it is doing. Called on the run's own thread.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    /// The run starts over a grid of `rowCount` rows.
    virtual void started(int rowCount) { (void)rowCount; }
    /// The run is at grid row `row`.
    virtual void progress(int row) { (void)row; }
    /// A row is done.
    virtual void rowDone(const RowReport& row) { (void)row; }
    /// Asked before every row; true stops the run after the current row.
    virtual bool cancelRequested() { return false; }
};
