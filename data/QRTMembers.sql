-- A fresh job database:  sqlite3 QRTMembers.mdb < data/QRTMembers.sql
-- mrQRT holds the job record (the program uses the record with the lowest rowid);
-- Capacity holds the rows of the current chart, ChartSetup (one row) the set-up it was made
-- from (as people read it), the tank's full capacity, and the tank in one line of
-- "key=value" pairs ("tank=1; shape=cyl; units=in; measures=inside; striker=yes; ...").
BEGIN;
CREATE TABLE mrQRT(mrQRTMember TEXT, mrCustomer TEXT, mrTankDesc TEXT, mrSerialNo TEXT);
CREATE TABLE Capacity(Depth REAL, Capacity REAL);
CREATE TABLE ChartSetup(Setup TEXT, Full REAL, Tank TEXT);
INSERT INTO mrQRT(mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo)
    VALUES('Client Name', '', '', '');
COMMIT;
