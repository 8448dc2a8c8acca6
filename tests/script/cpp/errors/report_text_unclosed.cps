{ x = <abc; }
